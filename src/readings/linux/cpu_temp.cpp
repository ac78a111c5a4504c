// SPDX-License-Identifier: BSD-2-Clause
#include <stdlib.h>
#include <string.h>

#include <cstddef>

#include "cpu_temp.h"
#include "hwmon.h"
#include "sysfs_list.h"

// The hwmon inputs that serve the CPUs are a view over the one walk of
// class/hwmon (hwmon.h), found anew only when the walk's chips or sensors
// change: the sensors of the CPUs' drivers, chosen by label: coretemp's
// cores and packages, AMD's Tctl, Tdie and dies.
namespace {

// What a hwmon input measures, in the order a CPU looks for it; a CPU
// never reads an AMD die's sensor.
enum class cpu_sensor_kind : uint8_t {
	core,
	package,
	amd_tdie,
	amd_tctl,
	amd_ccd
};

// A value that the CPUs sharing a sensor read once a report.
struct cpu_sensor_value {
	bool read;
	sensor_value millicelsius;
};

struct cpu_sensor {
	cpu_sensor_kind kind;
	int package;   // -1: every package
	int core;      // the core, or an AMD die's number from 0
	size_t chip;   // in linux_hwmon_chips()
	size_t sensor; // linux_hwmon_sensor's number
	cpu_sensor_value input, critical;
};

grow_list<cpu_sensor> sensors;
bool sensors_listed;
uint64_t sensors_generation; // of the hwmon walk they were found in

// One input of a hwmon, by its label.  Returns false for labels that say
// nothing about a CPU.
bool classify(const char *label, bool amd, cpu_sensor *s)
{
	if (amd) {
		if (strcmp(label, "Tdie") == 0)
			s->kind = cpu_sensor_kind::amd_tdie;
		else if (strcmp(label, "Tctl") == 0)
			s->kind = cpu_sensor_kind::amd_tctl;
		else if (sysfs_name_number(label, "Tccd", &s->core) &&
		    s->core > 0) {
			// Tccd1 is the first die: die 0, as FreeBSD counts.
			s->core--;
			s->kind = cpu_sensor_kind::amd_ccd;
		} else {
			return false;
		}
		return true;
	}
	if (sysfs_name_number(label, "Core ", &s->core)) {
		s->kind = cpu_sensor_kind::core;
		return true;
	}
	// Kernels before 3.x said "Physical id".
	if (sysfs_name_number(label, "Package id ", &s->package) ||
	    sysfs_name_number(label, "Physical id ", &s->package)) {
		s->kind = cpu_sensor_kind::package;
		return true;
	}
	return false;
}

enum class hwmon_kind : uint8_t { other, coretemp, amd };

hwmon_kind kind_of(const hwmon_chip &c)
{
	if (strcmp(c.name, "coretemp") == 0)
		return hwmon_kind::coretemp;
	if (strcmp(c.name, "k10temp") == 0 || strcmp(c.name, "zenpower") == 0)
		return hwmon_kind::amd;
	return hwmon_kind::other;
}

// Adds a sensor for each temperature of the CPU chip whose label names a
// core, a package or an AMD die.  package is the package an AMD chip
// serves (-1: every package); Intel's own package label says it.
void add_chip_sensors(size_t chip, bool amd, int package)
{
	const hwmon_chip &c = linux_hwmon_chips().items[chip];
	size_t first = sensors.count;

	for (size_t i = c.first; i < c.end; i++) {
		const hwmon_sensor &h = linux_hwmon_sensor(i);
		cpu_sensor s = {cpu_sensor_kind::core, package, -1, chip, i, {},
		    {}};
		if (h.kind == sensor_kind::temperature && h.has(label) &&
		    classify(h.label, amd, &s))
			*sensors.add() = s;
	}
	if (amd)
		return;
	// The cores of a coretemp chip belong to the package it is labelled
	// with; without such a label, to every package.
	int own_package = -1;
	for (size_t i = first; i < sensors.count; i++)
		if (sensors.items[i].kind == cpu_sensor_kind::package)
			own_package = sensors.items[i].package;
	for (size_t i = first; i < sensors.count; i++)
		if (sensors.items[i].kind == cpu_sensor_kind::core)
			sensors.items[i].package = own_package;
}

// The core sensors by core, and among the sensors of one core in their
// order, so that a CPU finds its own without a look at every sensor: the
// same time at 4 CPUs or 1024.
struct core_key {
	int core;
	int index; // in sensors
};

grow_list<core_key> core_index;
// The other sensors, packages' and AMD's: a few per package.
grow_list<int> other_sensors;

int by_core_key(const void *a, const void *b)
{
	const auto *x = static_cast<const core_key *>(a);
	const auto *y = static_cast<const core_key *>(b);
	if (x->core != y->core)
		return x->core < y->core ? -1 : 1;
	return (x->index > y->index) - (x->index < y->index);
}

void index_core_sensors()
{
	core_index.clear();
	other_sensors.clear();
	for (size_t i = 0; i < sensors.count; i++) {
		const cpu_sensor &s = sensors.items[i];
		if (s.kind == cpu_sensor_kind::core)
			*core_index.add() = {s.core, static_cast<int>(i)};
		else
			*other_sensors.add() = static_cast<int>(i);
	}
	core_index.sort(by_core_key);
}

// The first entry of the index for the core, or the end.
size_t first_core_key(int core)
{
	size_t low = 0, high = core_index.count;
	while (low < high) {
		size_t middle = low + (high - low) / 2;
		if (core_index.items[middle].core < core)
			low = middle + 1;
		else
			high = middle;
	}
	return low;
}

// The CPU chips' sensors, found anew when the hwmon walk's chips or
// sensors changed.  AMD has one chip per package: the i-th, in hwmon
// order, serves package i, and a lone one every package.
void list_sensors()
{
	grow_list<hwmon_chip> &chips = linux_hwmon_chips();
	int amd_count = 0, amd_seen = 0;

	sensors_listed = true;
	for (hwmon_chip &c : chips) {
		if (kind_of(c) != hwmon_kind::other)
			linux_hwmon_work_out(&c);
		amd_count += kind_of(c) == hwmon_kind::amd;
	}
	for (cpu_sensor &s : sensors)
		s.input.read = s.critical.read = false;
	if (linux_hwmon_generation() == sensors_generation)
		return;
	sensors_generation = linux_hwmon_generation();
	sensors.clear();
	for (size_t i = 0; i < chips.count; i++) {
		hwmon_kind kind = kind_of(chips.items[i]);
		if (kind == hwmon_kind::other)
			continue;
		bool amd = kind == hwmon_kind::amd;
		add_chip_sensors(i, amd,
		    amd && amd_count > 1 ? amd_seen++ : -1);
	}
	index_core_sensors();
}

// The sensor's input, or its critical temperature, in millidegrees
// Celsius, read once a report.
sensor_value read_temperature(cpu_sensor *s, attribute a)
{
	cpu_sensor_value *v = a == input ? &s->input : &s->critical;

	if (!v->read) {
		v->read = true;
		v->millicelsius =
		    linux_hwmon_int(linux_hwmon_chips().items[s->chip],
			&linux_hwmon_sensor(s->sensor), a);
	}
	return v->millicelsius;
}

// The sensors of this report, found on first use.
grow_list<cpu_sensor> &cpu_sensors()
{
	if (!sensors_listed)
		list_sensors();
	return sensors;
}

// The first readable sensor for the core, in the order of cpu_sensor_kind:
// its index, or -1; its input in *millicelsius.
int core_sensor(int package, int core, sensor_value *millicelsius)
{
	if (!sensors_listed)
		list_sensors();
	// The core's own inputs, its package's and any package's, in the
	// order of the sensors.
	for (size_t k = first_core_key(core);
	     k < core_index.count && core_index.items[k].core == core; k++) {
		int i = core_index.items[k].index;
		cpu_sensor &s = sensors.items[i];
		if ((s.package == package || s.package == -1) &&
		    (*millicelsius = read_temperature(&s, input)).known)
			return i;
	}
	for (int kind = static_cast<int>(cpu_sensor_kind::package);
	     kind <= static_cast<int>(cpu_sensor_kind::amd_tctl); kind++) {
		for (int i : other_sensors) {
			cpu_sensor &s = sensors.items[i];
			if (static_cast<int>(s.kind) != kind ||
			    (s.package != -1 && s.package != package))
				continue;
			if ((*millicelsius = read_temperature(&s, input)).known)
				return i;
		}
	}
	return -1;
}

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
	if (!sysfs_read_int(nullptr, &package,
		"devices/system/cpu/cpu%d/topology/physical_package_id",
		entry->number))
		return;
	entry->package = package;
	if (sysfs_read_int(nullptr, &core,
		"devices/system/cpu/cpu%d/topology/core_id", entry->number))
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
	if (!sysfs_read_text(nullptr, online, sizeof online,
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
	sensor_value millicelsius = read_temperature(s, input);

	if (!millicelsius.known)
		return;
	// AMD's lone hwmon serves package 0.
	package_reading *p =
	    linux_package(packages, s->package == -1 ? 0 : s->package);
	if (s->kind != cpu_sensor_kind::amd_ccd) {
		// Tctl, then Tdie, where a package has both.
		if (!p->temperature.known ||
		    s->kind == cpu_sensor_kind::amd_tctl)
			p->temperature = millicelsius;
		return;
	}
	if (s->core >= max_package_dies)
		return;
	p->die[s->core] = millicelsius;
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

sensor_value linux_cpu_temperature(size_t cpu)
{
	cpu_entry *entry = &cpus.items[cpu];
	sensor_value millicelsius;

	entry->sensor = entry->core != -1
	    ? core_sensor(entry->package, entry->core, &millicelsius)
	    : -1;
	return millicelsius;
}

int linux_cpu_package(size_t cpu)
{
	return cpus.items[cpu].package;
}

sensor_value linux_cpu_critical(size_t cpu)
{
	int sensor = cpus.items[cpu].sensor;
	if (sensor == -1)
		return {};
	sensor_value millicelsius =
	    read_temperature(&cpu_sensors().items[sensor], crit);
	millicelsius.known = millicelsius.known &&
	    plausible_limit(temperature_scale::millicelsius,
		millicelsius.value);
	return millicelsius;
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
	sensors_listed = false;
}
