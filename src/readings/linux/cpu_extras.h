// SPDX-License-Identifier: BSD-2-Clause
// What the extended readings add on Linux beside the temperatures: the
// CPUs' throttle counters and clocks.
#pragma once

#include <cstdint>

#include "readings/readings.h"

// Starts a report's reads of the files below: those found missing are
// looked for again only once the CPUs or the cpufreq policies changed.
void linux_cpu_files_begin();

// cpuN/thermal_throttle: how often and how long the core throttled.
void linux_cpu_throttling(int cpu, cpu_throttling *throttling);

// cpuN/cpufreq/scaling_cur_freq, in kHz; -1 unknown.
int64_t linux_cpu_frequency(int cpu);

// cpuN/thermal_throttle/package_throttle_count: how often CPU N's package
// throttled; -1 unknown.
int64_t linux_package_throttles(int cpu);
