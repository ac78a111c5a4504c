// SPDX-License-Identifier: BSD-2-Clause
#include <stdlib.h>
#include <string.h>

#include <cstddef>

#include "cpu_sensors.h"
#include "cpu_temp.h"
#include "sysfs_read.h"

namespace {

struct cpu_entry {
	int number;
	int package; // its physical package id; -1 unknown
	int core;    // its core id; -1 unknown
	int sensor;  // the index of the sensor it read; -1 none
};

grow_list<cpu_entry> cpus, cpus_before;
bool cpus_listed;

// What the list was made from: devices/system/cpu and the CPUs online.
// A CPU's topology stays while it is listed and the CPUs online stay the
// same with no device event between: it goes and comes with the CPU going
// offline and online, and a CPU that went and came back under its number
// is a device event.
sysfs_stamp cpus_stamp;
char cpus_online[sysfs_max_file];

void read_topology(cpu_entry *entry)
{
	int32_t package, core;

	entry->package = entry->core = -1;
	if (!sysfs_read_int(&package,
		"devices/system/cpu/cpu%d/topology/physical_package_id",
		entry->number))
		return;
	entry->package = package;
	if (sysfs_read_int(&core, "devices/system/cpu/cpu%d/topology/core_id",
		entry->number))
		entry->core = core;
}

// The CPUs listed anew; those of the last list keep their topology where
// the CPUs online are the same.
void relist_cpus(bool same_online)
{
	cpus.swap(cpus_before);
	cpus.clear();
	static_assert(offsetof(cpu_entry, number) == 0);
	sysfs_list_numbered("devices/system/cpu", "cpu", &cpus);
	for (cpu_entry &c : cpus) {
		const cpu_entry *before =
		    same_online ? cpus_before.find_number(c.number) : nullptr;
		if (before != nullptr)
			c = *before;
		else
			read_topology(&c);
	}
}

void list_cpus()
{
	static char online[sizeof cpus_online];

	cpus_listed = true;
	sysfs_change change = sysfs_restamp(&cpus_stamp, "devices/system/cpu");
	if (!sysfs_read_text(online, sizeof online,
		"devices/system/cpu/online"))
		online[0] = '\0';
	bool same_online =
	    strcmp(online, cpus_online) == 0 && change != sysfs_change::events;
	if (change != sysfs_change::none || !same_online)
		relist_cpus(same_online);
	memcpy(cpus_online, online, strlen(online) + 1);
}

// A package's own sensor, or a die's, into its package.
void add_package_sensor(grow_list<package_reading> *packages, cpu_sensor *s)
{
	int32_t millicelsius;

	if (!sensor_temperature(s, &millicelsius))
		return;
	// AMD's lone hwmon serves package 0.
	package_reading *p =
	    linux_package(packages, s->package == -1 ? 0 : s->package);
	if (s->kind != cpu_sensor_kind::amd_ccd) {
		// Tctl, then Tdie, where a package has both.
		if (!p->temperature.known ||
		    s->kind == cpu_sensor_kind::amd_tctl)
			p->temperature = {true, millicelsius};
		return;
	}
	if (s->core >= max_package_dies)
		return;
	p->die[s->core] = {true, millicelsius};
	if (s->core >= p->dies)
		p->dies = s->core + 1;
}

} // namespace

size_t linux_cpu_count()
{
	if (!cpus_listed)
		list_cpus();
	return cpus.count;
}

int32_t linux_cpu_number(size_t cpu)
{
	return cpus.items[cpu].number;
}

bool linux_cpu_temperature(size_t cpu, int32_t *millicelsius)
{
	cpu_entry *entry = &cpus.items[cpu];

	entry->sensor = entry->core != -1
	    ? core_sensor(entry->package, entry->core, millicelsius)
	    : -1;
	return entry->sensor != -1;
}

int linux_cpu_package(size_t cpu)
{
	return cpus.items[cpu].package;
}

temperature_reading linux_cpu_critical(size_t cpu)
{
	temperature_reading t;
	int sensor = cpus.items[cpu].sensor;

	t.known = sensor != -1 &&
	    sensor_critical(&cpu_sensors().items[sensor], &t.value) &&
	    plausible_limit(temperature_scale::millicelsius, t.value);
	return t;
}

package_reading *linux_package(grow_list<package_reading> *packages, int id)
{
	for (package_reading &p : *packages)
		if (p.package == id)
			return &p;
	package_reading *p = packages->add();
	p->package = id;
	return p;
}

void linux_cpu_packages(grow_list<package_reading> *packages)
{
	for (cpu_sensor &s : cpu_sensors())
		if (s.kind != cpu_sensor_kind::core)
			add_package_sensor(packages, &s);
}

void linux_forget_temperatures()
{
	cpus_listed = false;
	forget_cpu_sensors();
}
