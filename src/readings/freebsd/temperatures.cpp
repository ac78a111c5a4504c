// SPDX-License-Identifier: BSD-2-Clause
// FreeBSD: the CPU and zone temperatures from kernel variables, in the
// kernel's tenths of a kelvin; with the extended readings, the CPUs'
// critical temperatures and throttling, the AMD packages and dies, and
// the zones' trip points and cooling.
//
// What the FreeBSD reader keeps from one report to the next: the sensors
// found by the one walk of the variable tree (sensors.cpp), their chips
// and labels for the run, and each energy counter's last reading
// (readings/power.cpp).  There are no folder versions to stamp: every
// other list is read afresh, and which CPUs, zones, packages, battery
// units and power domains there are follows from what reads.  So the
// record's structure stamp is the shape of the record alone, the count of
// the reports whose lists held other entities, numbers, names or labels
// than the one before (count_shape_changes): any entity that comes, goes
// or is named anew invalidates what a writer kept under the stamp.

#include <limits.h>

#include "kernel/kernel.h"
#include "readings/collect.h"

namespace {

// The kernel's units: tenths of a kelvin; battery amounts in milli-units
// (mWh, mW, mAh, mA, mV) and times in minutes; CPU clocks in MHz.
constexpr source_units freebsd_units = {temperature_scale::decikelvin, 1000, 60,
    1000000};

} // namespace

void begin_readings(readings *r)
{
	r->source = freebsd_units;
}

void end_readings(readings *r)
{
	r->structure = count_shape_changes(*r);
}

namespace {

// A variable, known when it reads.
sensor_value read_value(const char *name)
{
	int value = 0;
	bool known = sysctl_read_int(name, &value);
	return {known, value};
}

// CPU cpu's reading, dev.cpu.N by the CPU's own number: its variable
// exists and reads.  A read that fails after the probe succeeded counts
// as no reading: no number is ever shown that was not read.
cpu_reading read_cpu(int cpu)
{
	cpu_reading reading;
	text_ptr name = format_text("dev.cpu.%i.temperature", cpu);

	reading.number = cpu;
	if (sysctl_exists(name.get())) {
		text_ptr again = format_text("dev.cpu.%i.temperature", cpu);
		reading.temperature = read_value(again.get());
	}
	return reading;
}

// A firmware limit, known when it reads and is plausible.
sensor_value limit(sensor_value t)
{
	t.known =
	    t.known && plausible_limit(temperature_scale::decikelvin, t.value);
	return t;
}

// The coretemp driver's sticky flag: the CPU throttled since boot.  It is
// read, never written: writing clears it.
void read_throttling(int cpu, cpu_reading *c)
{
	text_ptr name = format_text("dev.cpu.%i.coretemp.throttle_log", cpu);
	sensor_value logged = read_value(name.get());

	c->throttling.logged = {logged.known, logged.value != 0};
}

// dev.cpu.N.freq, in MHz, where the cpufreq driver gives it.
void read_frequency(int cpu, cpu_reading *c)
{
	text_ptr name = format_text("dev.cpu.%i.freq", cpu);
	sensor_value mhz = read_value(name.get());

	if (mhz.known && mhz.value > 0)
		c->frequency = mhz;
}

// tjmax, read at every report like every other value.
void read_critical(readings *r)
{
	for (cpu_reading &c : r->cpus.cpu) {
		text_ptr name =
		    format_text("dev.cpu.%i.coretemp.tjmax", c.number);
		c.critical = limit(read_value(name.get()));
	}
}

// amdtemp's package sensor and its dies, package after package.
void read_packages(readings *r)
{
	for (int n = 0; n < INT_MAX; n++) {
		text_ptr name = format_text("dev.amdtemp.%i.core0.sensor0", n);
		sensor_value t = read_value(name.get());
		if (!t.known)
			return;
		package_reading *p = r->cpus.packages.add();
		p->package = n;
		p->temperature = t;
		for (; p->dies < max_package_dies; p->dies++) {
			text_ptr die =
			    format_text("dev.amdtemp.%i.ccd%i", n, p->dies);
			p->die[p->dies] = read_value(die.get());
			if (!p->die[p->dies].known)
				break;
		}
	}
}

} // namespace

void collect_cpus(readings *r)
{
	int count;

	r->cpus.cpu.clear();
	r->cpus.packages.clear();
	r->cpus.count_known = read_cpu_count(&count);
	for (int cpu = 0; r->cpus.count_known && cpu < count; cpu++) {
		cpu_reading *c = r->cpus.cpu.add();
		*c = read_cpu(cpu);
		if (!r->extended)
			continue;
		read_throttling(cpu, c);
		read_frequency(cpu, c);
	}
	if (!r->extended)
		return;
	read_critical(r);
	// amdtemp's variables are there whether or not the count reads.
	read_packages(r);
}

namespace {

zone_limits read_limits(int zone)
{
	zone_limits l;
	int active[active_trip_points];
	static const char *const names[] = {"_CRT", "_HOT", "_PSV"};
	sensor_value *single[] = {&l.critical, &l.hot, &l.passive};

	for (int i = 0; i < 3; i++) {
		text_ptr name =
		    format_text("hw.acpi.thermal.tz%i.%s", zone, names[i]);
		*single[i] = limit(read_value(name.get()));
	}
	text_ptr name = format_text("hw.acpi.thermal.tz%i._ACx", zone);
	int levels = sysctl_read_ints(name.get(), active, active_trip_points);
	for (int i = 0; i < active_trip_points; i++)
		l.active[i] = limit({i < levels, i < levels ? active[i] : 0});
	return l;
}

// The zone's active cooling level, by the index of its trip point or -1
// for none, of which the kernel knows none below -1 before its first look
// at the zone; and whether passive cooling is enabled, as the kernel's
// flag.
void read_cooling(zone_reading *z)
{
	text_ptr active = format_text("hw.acpi.thermal.tz%i.active", z->number);
	sensor_value level = read_value(active.get());
	if (level.known && level.value >= -1)
		z->active_cooling = level;
	text_ptr passive =
	    format_text("hw.acpi.thermal.tz%i.passive_cooling", z->number);
	z->passive_cooling = read_value(passive.get());
}

} // namespace

// The zones from 0 up to the first that cannot be read, by the number N of
// hw.acpi.thermal.tzN; the kernel names no zone's type.
void collect_zones(readings *r)
{
	r->zones.zone.clear();
	for (int zone = 0; zone < INT_MAX; zone++) {
		int32_t raw;
		text_ptr name =
		    format_text("hw.acpi.thermal.tz%i.temperature", zone);
		if (!sysctl_read_int(name.get(), &raw))
			break;
		zone_reading *z = r->zones.zone.add();
		z->number = zone;
		z->temperature = {true, raw};
	}
	if (!r->extended)
		return;
	for (zone_reading &z : r->zones.zone) {
		z.limits = read_limits(z.number);
		read_cooling(&z);
	}
}
