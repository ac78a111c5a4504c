// SPDX-License-Identifier: BSD-2-Clause
#include <errno.h>
#include <stddef.h>
#include <string.h>

#include "cpu_extras.h"
#include "lists/grow_list.h"
#include "sysfs_list.h"

namespace {

// The files of a CPU beside its temperature.
enum cpu_file : uint8_t {
	core_count,
	core_ms,
	package_count,
	frequency,
	cpu_file_count
};

// Their paths below the CPU's folder.
const char *const cpu_file_names[cpu_file_count] =
    {"thermal_throttle/core_throttle_count",
	"thermal_throttle/core_throttle_total_time_ms",
	"thermal_throttle/package_throttle_count", "cpufreq/scaling_cur_freq"};

// Each CPU's files, by the CPU's number, in ascending order, and those it
// was found without.  A CPU gains or loses its thermal_throttle folder
// only as it comes online or goes offline, which is a device event, and
// its cpufreq folder as a cpufreq policy comes to cover it, which adds
// the policy's folder to devices/system/cpu/cpufreq: a file found missing
// is not looked for again while the CPU stays listed, no device event
// comes, and devices/system/cpu/cpufreq keeps its version.
struct cpu_files {
	int number;
	sysfs_file file[cpu_file_count];
	uint8_t missing; // a bit for each file
	uint64_t report; // the last that asked for them
};

grow_list<cpu_files> files;
uint64_t reports;
sysfs_stamp cpus_stamp, policies_stamp;
// devices/system/cpu lists a cpufreq folder, whose policies' folders
// say which CPUs have a clock; without one (older kernels, some trees)
// the CPUs' own folders alone say it.
bool policies;

// The last CPU's files: a report asks for each CPU's files one after the
// other.
size_t last;

cpu_files *files_of(int cpu)
{
	static_assert(offsetof(cpu_files, number) == 0);
	if (last < files.count && files.items[last].number == cpu)
		return &files.items[last];
	cpu_files *found = files.find_number(cpu);
	if (found == nullptr) {
		// The CPUs come in ascending order: the list stays sorted but
		// where one comes back below the others.
		found = files.add();
		found->number = cpu;
		if (files.count >= 2 && found[-1].number > cpu) {
			files.sort(by_leading_number);
			found = files.find_number(cpu);
		}
	}
	last = static_cast<size_t>(found - files.items);
	found->report = reports;
	return found;
}

// The file of the CPU as a count; unknown where it is missing or
// unreadable.
sensor_value read_count(int cpu, cpu_file which)
{
	cpu_files *f = files_of(cpu);
	uint8_t bit = static_cast<uint8_t>(1U << which);
	sensor_value v;

	if ((f->missing & bit) != 0)
		return v;
	errno = 0;
	v.known = sysfs_read_count(&f->file[which], &v.value,
	    "devices/system/cpu/cpu%d/%s", cpu, cpu_file_names[which]);
	if (!v.known && errno == ENOENT)
		f->missing |= bit;
	return v;
}

// Forgets what was found missing of the CPUs that the last report did not
// ask about (they went, and may come back as others), or of all.
void forget_missing(uint8_t bits, bool all)
{
	for (cpu_files &f : files)
		if (all || f.report + 1 != reports)
			f.missing = static_cast<uint8_t>(f.missing & ~bits);
}

} // namespace

void linux_cpu_files_begin()
{
	constexpr uint8_t frequency_bit = 1U << frequency;

	reports++;
	sysfs_change change = sysfs_restamp(&cpus_stamp, "devices/system/cpu");
	if (change != sysfs_change::none) {
		forget_missing(0xff, change == sysfs_change::events);
		policies = false;
		sysfs_list("devices/system/cpu", [](const char *name) {
			policies = policies || strcmp(name, "cpufreq") == 0;
		});
	}
	if (policies &&
	    sysfs_restamp(&policies_stamp, "devices/system/cpu/cpufreq") !=
		sysfs_change::none)
		forget_missing(frequency_bit, true);
}

void linux_cpu_extras(cpu_reading *c)
{
	cpu_throttling &t = c->throttling;

	t.core_throttles = read_count(c->number, core_count);
	t.logged = {t.core_throttles.known, t.core_throttles.value > 0};
	t.core_throttle_ms = read_count(c->number, core_ms);
	sensor_value khz = read_count(c->number, frequency);
	if (khz.known && khz.value > 0)
		c->frequency = khz;
}

sensor_value linux_package_throttles(int cpu)
{
	return read_count(cpu, package_count);
}
