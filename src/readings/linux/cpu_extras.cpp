// SPDX-License-Identifier: BSD-2-Clause
#include <errno.h>
#include <stddef.h>

#include "cpu_extras.h"
#include "readings/grow_list.h"
#include "sysfs_read.h"

namespace {

// The CPUs found without scaling_cur_freq in the last report and in this
// one, in ascending order, with the versions of the folders that say
// whether that still holds: a CPU comes and goes with its folder in
// devices/system/cpu, and gains the file when a cpufreq policy comes to
// cover it, which adds the policy's folder to devices/system/cpu/cpufreq.
grow_list<int> without_frequency, without_frequency_now;
uint64_t cpus_version, policies_version;

// Each CPU's throttle and frequency files, by the CPU's number, in
// ascending order.
struct cpu_files {
	int number;
	sysfs_file core_count, core_ms, package_count, frequency;
};

grow_list<cpu_files> files;

cpu_files *files_of(int cpu)
{
	static_assert(offsetof(cpu_files, number) == 0);
	if (cpu_files *found = files.find_number(cpu))
		return found;
	// The CPUs come in ascending order: the list stays sorted but where
	// one comes back below the others.
	cpu_files *added = files.add();
	added->number = cpu;
	if (files.count < 2 || added[-1].number < cpu)
		return added;
	files.sort(by_leading_number);
	return files.find_number(cpu);
}

} // namespace

void linux_frequencies_begin()
{
	without_frequency.swap(without_frequency_now);
	without_frequency_now.clear();
	uint64_t cpus = sysfs_folder_version("devices/system/cpu");
	if (without_frequency.count > 0 &&
	    (cpus == 0 || cpus != cpus_version ||
		sysfs_folder_version("devices/system/cpu/cpufreq") !=
		    policies_version))
		without_frequency.clear();
	cpus_version = cpus;
}

void linux_cpu_throttling(int cpu, cpu_throttling *throttling)
{
	int64_t count, ms;
	cpu_files *f = files_of(cpu);

	if (sysfs_read_count(&f->core_count, &count,
		"devices/system/cpu/cpu%d/thermal_throttle/core_throttle_count",
		cpu)) {
		throttling->core_throttles = count;
		throttling->logged = count > 0 ? 1 : 0;
	}
	if (sysfs_read_count(&f->core_ms, &ms,
		"devices/system/cpu/cpu%d/thermal_throttle/"
		"core_throttle_total_time_ms",
		cpu))
		throttling->core_throttle_ms = ms;
}

int64_t linux_package_throttles(int cpu)
{
	int64_t count;

	return sysfs_read_count(&files_of(cpu)->package_count, &count,
		   "devices/system/cpu/cpu%d/thermal_throttle/"
		   "package_throttle_count",
		   cpu)
	    ? count
	    : -1;
}

int64_t linux_cpu_frequency(int cpu)
{
	int64_t khz;

	if (without_frequency.find_number(cpu) != nullptr) {
		*without_frequency_now.add() = cpu;
		return -1;
	}
	errno = 0;
	if (!sysfs_read_count(&files_of(cpu)->frequency, &khz,
		"devices/system/cpu/cpu%d/cpufreq/scaling_cur_freq", cpu)) {
		if (errno == ENOENT) {
			if (without_frequency_now.count == 0)
				policies_version = sysfs_folder_version(
				    "devices/system/cpu/cpufreq");
			*without_frequency_now.add() = cpu;
		}
		return -1;
	}
	return khz > 0 ? khz : -1;
}
