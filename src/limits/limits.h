// SPDX-License-Identifier: BSD-2-Clause
// The sections that -x adds about temperatures, drawn from the tables.
#pragma once

#include "readings/readings.h"

// With -x: "[Thermal limits]", each CPU's critical temperature and whether
// it throttled, and each zone's trip points and cooling; "[Cooling
// devices]", each cooling device's state and maximum state; "[CPU
// packages]", each package's and die's temperature.  A section with
// nothing known is left out.
void report_thermal_limits(const readings &r);
void report_cooling_devices(const readings &r);
void report_packages(const readings &r);
