// SPDX-License-Identifier: BSD-2-Clause
// Linux: the readings from sysfs, in millidegrees Celsius, micro-units and
// seconds.  Each section lists its folders afresh, so that a CPU, zone or
// battery that comes or goes shows in the next report.
//
// Every value is read at every report, limits and firmware settings too.
// What the reader keeps from one report to the next is structure only: a
// descriptor for each file and folder it read, so that a value is one
// pread and a listing one rewind; and what it worked out from folders:
// the CPUs and their topology, each hwmon chip's sensors and labels (one
// walk of class/hwmon, which the CPU lines are a view over: which input
// serves which CPU is worked out again whenever the walk's chips or
// sensors change), the labels once told apart, each zone's trip points,
// chip names, and the files and folders found missing, a supply's and a
// cooling device's among them.  The types of zones, cooling devices and
// supplies are values, read at every report; only the types of a zone's
// trip points, which say which trip point is which, are kept.  Each is kept
// under
// a stamp (sysfs_restamp): the version of the folder it came from and the
// kernel's count of device events.  It is worked out again when the folder
// lists other entries, when a held folder lists empty where it listed
// entries, when an event was counted or the count could not be read; a
// zone's trip points also when its files, held, read no more.  The
// record's structure stamp (end_readings) grows with any such change, and
// with a change of what the report's lists hold (compare_shape).
//
// That cannot miss a change because of how sysfs removes a device: its
// folder, held open, lists empty, its attributes read ENODEV, and
// kernel/uevent_seqnum grows; a device in its place is a new folder.
// What a device's folder holds changes only with its driver, or its CPU
// going online or offline, which are device events too, and so is every
// folder that comes.  A tree without the event count (the test fixtures)
// goes by its folders alone, and looks for missing folders at every
// report.
//
// The one thing kept that is not structure: each energy counter's last
// raw count, the wraps seen and the time of its reading, so that the
// energy grows across wraps within a run and a power can be worked out
// between two reports (readings/power.cpp, shared with FreeBSD).

#include <err.h>
#include <errno.h>
#include <stddef.h>
#include <string.h>

#include "cooling.h"
#include "cpu_extras.h"
#include "cpu_temp.h"
#include "hwmon.h"
#include "power_supply.h"
#include "readings/collect.h"
#include "supply_list.h"
#include "sysfs_list.h"
#include "zones.h"

namespace {

// sysfs's units: millidegrees Celsius; battery amounts in micro-units
// (µWh, µW, µAh, µA, µV) and times in seconds; CPU clocks in kHz.
constexpr source_units linux_units = {temperature_scale::millicelsius, 1, 1,
    1000};

// Why class/power_supply could not be listed, for the battery section.
int supplies_errno;

// The packages are the CPUs' packages, with the packages that hwmon
// sensors name; each package's throttle count is read once, from its
// first CPU.
void collect_packages(readings *r)
{
	grow_list<package_reading> &packages = r->cpus.packages;

	for (size_t cpu = 0; cpu < r->cpus.cpu.count; cpu++)
		if (linux_cpu_package(cpu) >= 0)
			linux_package(&packages, linux_cpu_package(cpu));
	linux_cpu_packages(&packages);
	static_assert(offsetof(package_reading, package) == 0);
	packages.sort(by_leading_number);
	for (package_reading &p : packages) {
		for (size_t cpu = 0; cpu < r->cpus.cpu.count; cpu++) {
			if (linux_cpu_package(cpu) == p.package) {
				p.throttles = linux_package_throttles(
				    r->cpus.cpu.items[cpu].number);
				break;
			}
		}
	}
}

// The sensors' labels once told apart, kept while every folder lists as it
// did: the same sensors under the same labels meet the same way.
struct sensor_label {
	char text[sensor_label_size];
};

grow_list<sensor_label> told_apart;
uint64_t told_apart_structure;

} // namespace

void begin_readings(readings *r)
{
	r->source = linux_units;
	sysfs_new_report();
	linux_hwmon_forget();
}

void end_readings(readings *r)
{
	r->structure = sysfs_structure() + count_shape_changes(*r);
}

void collect_cpus(readings *r)
{
	linux_forget_temperatures();
	r->cpus.cpu.clear();
	r->cpus.packages.clear();
	size_t count = linux_cpu_count();
	r->cpus.count_known = count > 0;
	if (r->extended)
		linux_cpu_files_begin();
	for (size_t cpu = 0; cpu < count; cpu++) {
		cpu_reading *c = r->cpus.cpu.add();
		c->number = linux_cpu_number(cpu);
		c->temperature = linux_cpu_temperature(cpu);
		if (!r->extended)
			continue;
		linux_cpu_extras(c);
		c->critical = linux_cpu_critical(cpu);
	}
	if (r->extended)
		collect_packages(r);
}

// Every zone folder; one whose temperature cannot be read (a radio's zone
// while it is off) hides none of the others.  With the extended readings,
// the cooling devices of class/thermal too.
void collect_zones(readings *r)
{
	r->zones.zone.clear();
	linux_list_zones(&r->zones.zone);
	for (zone_reading &z : r->zones.zone)
		linux_read_zone(&z, r->extended);
	r->cooling.clear();
	if (r->extended)
		linux_cooling_devices(&r->cooling);
}

// The summary and every unit at once, and with the extended readings every
// supply that is no battery: all come from one listing of
// class/power_supply, which the battery section then only reports on.
void collect_summary(readings *r)
{
	battery_summary &s = r->summary;
	battery_units &b = r->batteries;

	s = battery_summary{};
	b.device = battery_device::not_opened;
	b.count = 0;
	r->supplies.clear();
	if (!list_power_supplies(linux_battery_files,
		r->extended ? &r->supplies : nullptr)) {
		supplies_errno = errno;
		return;
	}
	b.count = static_cast<int32_t>(battery_count());
	s.units = {true, b.count};
	s.acline = mains_online();
	b.device = battery_device::listed;
	if (b.count == 0) {
		b.device = battery_device::no_support;
		return;
	}
	s.supported = true;
	linux_battery_life(&s);
	s.time = linux_battery_time();
	s.state = {true, linux_battery_state()};
	for (int unit = 0; unit < read_battery_units(b); unit++)
		linux_battery_unit(static_cast<size_t>(unit), &b.unit[unit],
		    r->extended);
}

void collect_battery_units(readings *r, bool device_required)
{
	if (device_required)
		require_battery_device(*r);
}

void require_battery_device(const readings &r)
{
	if (r.batteries.device == battery_device::not_opened) {
		errno = supplies_errno;
		err(72, "/sys/class/power_supply");
	}
}

void collect_sensors(readings *r)
{
	grow_list<sensor_reading> &sensors = r->sensors;

	sensors.clear();
	if (r->extended)
		linux_hwmon_sensors(&sensors);
	if (sysfs_structure() == told_apart_structure &&
	    sensors.count == told_apart.count) {
		for (size_t i = 0; i < sensors.count; i++)
			memcpy(sensors.items[i].label, told_apart.items[i].text,
			    sizeof told_apart.items[i].text);
		return;
	}
	distinct_sensor_labels(&sensors);
	told_apart.clear();
	for (const sensor_reading &s : sensors)
		memcpy(told_apart.add()->text, s.label, sizeof s.label);
	told_apart_structure = sysfs_structure();
}
