// SPDX-License-Identifier: BSD-2-Clause
#include "cpu_extras.h"
#include "sysfs_read.h"

void linux_cpu_throttling(int cpu, cpu_throttling *throttling)
{
	int64_t count, ms;

	if (sysfs_read_count(&count,
		"devices/system/cpu/cpu%d/thermal_throttle/core_throttle_count",
		cpu)) {
		throttling->core_throttles = count;
		throttling->logged = count > 0 ? 1 : 0;
	}
	if (sysfs_read_count(&ms,
		"devices/system/cpu/cpu%d/thermal_throttle/"
		"core_throttle_total_time_ms",
		cpu))
		throttling->core_throttle_ms = ms;
}

int64_t linux_package_throttles(int cpu)
{
	int64_t count;

	return sysfs_read_count(&count,
		   "devices/system/cpu/cpu%d/thermal_throttle/"
		   "package_throttle_count",
		   cpu)
	    ? count
	    : -1;
}

int64_t linux_cpu_frequency(int cpu)
{
	int64_t khz;

	return sysfs_read_count(&khz,
		   "devices/system/cpu/cpu%d/cpufreq/scaling_cur_freq", cpu) &&
		khz > 0
	    ? khz
	    : -1;
}
