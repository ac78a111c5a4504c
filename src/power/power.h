// SPDX-License-Identifier: BSD-2-Clause
// The processor's power: the section that -x adds, and the notice of what
// could not be read.
#pragma once

#include "readings/readings.h"

// With -x: "[CPU power]", each domain's power, "package0 power: 12.3 W";
// left out when no domain's power is known.
void report_power(const readings &r);

// With -d, on standard error: the counter or device that could not be
// read and why, "pelko: /dev/cpuctl0: Permission denied".
void report_power_notice(const readings &r);
