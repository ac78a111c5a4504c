// SPDX-License-Identifier: BSD-2-Clause
// The metrics beyond the report: battery wear, thermal limits, throttling,
// packages and dies.

#include <stdio.h>

#include "family.h"
#include "format/format.h"
#include "format/print.h"
#include "metrics.h"
#include "temperature/temperature.h"

namespace {

void celsius_value(const readings &r, int32_t value)
{
	report_putc(' ');
	print_celsius(r.source.temperature, value);
	report_putc('\n');
}

void count_value(int64_t value, int64_t divisor = 1)
{
	report_putc(' ');
	print_decimal(value, divisor);
	report_putc('\n');
}

void battery_wear(const readings &r)
{
	family cycles = {"pelko_battery_cycles",
	    "Charge cycles of the battery, as its firmware counts them: the "
	    "extended battery information on FreeBSD, cycle_count on Linux.",
	    gauge, false};
	family health = {"pelko_battery_health_ratio",
	    "Last full capacity of the battery over its design capacity.",
	    gauge, false};
	family start = {"pelko_battery_charge_start_threshold_ratio",
	    "Charge level below which the battery starts charging, from 0 to 1: "
	    "charge_control_start_threshold, or charge_start_threshold, on "
	    "Linux.",
	    gauge, false};
	family end = {"pelko_battery_charge_end_threshold_ratio",
	    "Charge level at which the battery stops charging, from 0 to 1: "
	    "charge_control_end_threshold, or charge_stop_threshold, on Linux.",
	    gauge, false};
	int units = read_battery_units(r.batteries);

	family *const all[] = {&cycles, &health, &start, &end};

	for (family *f : all) {
		for (int unit = 0; unit < units; unit++) {
			const battery_unit &u = r.batteries.unit[unit];
			if (u.stage < battery_stage::no_charge)
				continue;
			bool ok = f == &cycles ? u.cycles >= 0
			    : f == &health     ? battery_health_known(u)
			    : f == &start      ? u.charge_start >= 0
					       : u.charge_end >= 0;
			if (!ok)
				continue;
			begin_sample(f);
			report_print("{unit=\"%d\"}", unit);
			if (f == &cycles) {
				count_value(u.cycles);
			} else if (f == &health) {
				report_putc(' ');
				print_fraction(u.last_full_capacity,
				    u.design_capacity);
				report_putc('\n');
			} else {
				count_value(f == &start ? u.charge_start
							: u.charge_end,
				    100);
			}
		}
	}
}

void trip_sample(const readings &r, family *f, int32_t zone, const char *type,
    const temperature_reading &t)
{
	if (!t.known)
		return;
	begin_sample(f);
	report_print("{zone=\"tz%d\",type=\"%s\"}", zone, type);
	celsius_value(r, t.value);
}

void trip_points(const readings &r)
{
	family trips = {"pelko_thermal_zone_trip_point_celsius",
	    "Trip point of the ACPI thermal zone: _CRT, _HOT, _PSV and _ACx on "
	    "FreeBSD, trip_point_N_temp on Linux.",
	    gauge, false};

	for (const zone_reading &z : r.zones.zone)
		each_trip_point(z.limits,
		    [&](const char *type, const temperature_reading &t) {
			    trip_sample(r, &trips, z.number, type, t);
		    });
}

void cpu_limits(const readings &r)
{
	family critical = {"pelko_cpu_critical_temperature_celsius",
	    "Critical temperature of the CPU: dev.cpu.N.coretemp.tjmax on "
	    "FreeBSD, tempN_crit beside its input on Linux.",
	    gauge, false};
	family logged = {"pelko_cpu_thermal_throttle_logged",
	    "Whether the CPU throttled since boot: dev.cpu.N.coretemp."
	    "throttle_log on FreeBSD, a core_throttle_count above 0 on Linux.",
	    gauge, false};
	family throttles = {"pelko_cpu_core_throttles_total",
	    "Times the CPU's core throttled: core_throttle_count on Linux.",
	    counter, false};
	family seconds = {"pelko_cpu_core_throttle_seconds_total",
	    "Time the CPU's core spent throttled: core_throttle_total_time_ms "
	    "on Linux.",
	    counter, false};

	for (const cpu_reading &c : r.cpus.cpu) {
		if (!c.critical.known)
			continue;
		begin_sample(&critical);
		report_print("{cpu=\"%d\"}", c.number);
		celsius_value(r, c.critical.value);
	}
	family *const counts[] = {&logged, &throttles, &seconds};
	for (family *f : counts) {
		for (const cpu_reading &c : r.cpus.cpu) {
			const cpu_throttling &t = c.throttling;
			int64_t value = f == &logged ? t.logged
			    : f == &throttles	     ? t.core_throttles
						     : t.core_throttle_ms;
			if (value < 0)
				continue;
			begin_sample(f);
			report_print("{cpu=\"%d\"}", c.number);
			count_value(value, f == &seconds ? 1000 : 1);
		}
	}
}

void packages(const readings &r)
{
	family temperature = {"pelko_cpu_package_temperature_celsius",
	    "Temperature of the CPU package: dev.amdtemp.N.core0.sensor0 on "
	    "FreeBSD, Package id or Tctl on Linux.",
	    gauge, false};
	family die = {"pelko_cpu_die_temperature_celsius",
	    "Temperature of the CPU die: dev.amdtemp.N.ccdM on FreeBSD, TccdK "
	    "as die K-1 on Linux.",
	    gauge, false};
	family throttles = {"pelko_cpu_package_throttles_total",
	    "Times the CPU package throttled: package_throttle_count on Linux.",
	    counter, false};

	for (const package_reading &p : r.cpus.packages) {
		if (!p.temperature.known)
			continue;
		begin_sample(&temperature);
		report_print("{package=\"%d\"}", p.package);
		celsius_value(r, p.temperature.value);
	}
	for (const package_reading &p : r.cpus.packages) {
		for (int d = 0; d < p.dies; d++) {
			if (!p.die[d].known)
				continue;
			begin_sample(&die);
			report_print("{package=\"%d\",die=\"%d\"}", p.package,
			    d);
			celsius_value(r, p.die[d].value);
		}
	}
	for (const package_reading &p : r.cpus.packages) {
		if (p.throttles < 0)
			continue;
		begin_sample(&throttles);
		report_print("{package=\"%d\"}", p.package);
		count_value(p.throttles);
	}
}

} // namespace

void write_extended_metrics(const readings &r)
{
	battery_wear(r);
	trip_points(r);
	cpu_limits(r);
	packages(r);
}
