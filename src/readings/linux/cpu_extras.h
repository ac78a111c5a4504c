// SPDX-License-Identifier: BSD-2-Clause
// What the extended readings add on Linux beside the temperatures: the
// CPUs' throttle counters.
#pragma once

#include <cstdint>

#include "readings/readings.h"

// cpuN/thermal_throttle: how often and how long the core throttled.
void linux_cpu_throttling(int cpu, cpu_throttling *throttling);

// Starts a report's frequencies: the CPUs found without one are looked
// for again only once the CPUs or the cpufreq policies changed.
void linux_frequencies_begin();

// cpuN/cpufreq/scaling_cur_freq, in kHz; -1 unknown.  Asked in ascending
// order of N within a report.
int64_t linux_cpu_frequency(int cpu);

// cpuN/thermal_throttle/package_throttle_count: how often CPU N's package
// throttled; -1 unknown.
int64_t linux_package_throttles(int cpu);
