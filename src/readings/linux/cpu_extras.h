// SPDX-License-Identifier: BSD-2-Clause
// What the extended readings add on Linux beside the temperatures: the
// CPUs' throttle counters and clocks.
#pragma once

#include <cstdint>

#include "readings/readings.h"

// Starts a report's reads of the files below: those found missing are
// looked for again only once the CPUs or the cpufreq policies changed.
void linux_cpu_files_begin();

// What the extended readings add to CPU N's: how often and how long its
// core throttled (cpuN/thermal_throttle), its clock in kHz
// (cpuN/cpufreq/scaling_cur_freq).
void linux_cpu_extras(cpu_reading *c);

// cpuN/thermal_throttle/package_throttle_count: how often CPU N's package
// throttled.
sensor_value linux_package_throttles(int cpu);
