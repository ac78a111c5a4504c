// SPDX-License-Identifier: BSD-2-Clause
#include <stdio.h>
#include <time.h>

#include "format/format.h"
#include "format/print.h"
#include "json.h"
#include "sensors/fields.h"
#include "temperature/temperature.h"

namespace {

// An object or array being written: a comma goes before every member but
// the first.
struct container {
	bool empty = true;
};

void next(container *c)
{
	if (!c->empty)
		report_putc(',');
	c->empty = false;
}

void key(container *c, const char *name)
{
	next(c);
	report_print("\"%s\":", name);
}

void null_or_decimal(bool known, int64_t value, int64_t divisor = 1)
{
	if (known)
		print_decimal(value, divisor);
	else
		report_fputs("null");
}

void null_or_celsius(const readings &r, bool known, int32_t value)
{
	if (known)
		print_celsius(r.source.temperature, value);
	else
		report_fputs("null");
}

void null_or_bool(bool known, bool value)
{
	report_fputs(!known ? "null" : value ? "true" : "false");
}

// A firmware string after the rule for every output, printable ASCII
// alone, then the escapes that JSON needs for it: quote and backslash.
template <size_t N>
void string(const char (&field)[N])
{
	print_quoted(field, N);
}

// The report's time as RFC 3339 in UTC, to the second.
void timestamp(int64_t seconds)
{
	time_t t = static_cast<time_t>(seconds);
	struct tm utc;

	if (gmtime_r(&t, &utc) == nullptr) {
		report_fputs("null");
		return;
	}
	// strftime(3)'s "%Y-%m-%dT%H:%M:%SZ", without the weight of strftime
	// and the time zone code it brings into a static binary.
	report_print("\"%d-%02d-%02dT%02d:%02d:%02dZ\"", utc.tm_year + 1900,
	    utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
}

void cpus(const readings &r)
{
	container list;

	report_fputs("[");
	for (const cpu_reading &c : r.cpus.cpu) {
		const cpu_throttling &t = c.throttling;
		container o;
		next(&list);
		report_putc('{');
		key(&o, "cpu");
		report_print("%d", c.number);
		key(&o, "temperature_celsius");
		null_or_celsius(r, c.known, c.temperature);
		key(&o, "critical_temperature_celsius");
		null_or_celsius(r, c.critical.known, c.critical.value);
		key(&o, "thermal_throttle_logged");
		null_or_bool(t.logged >= 0, t.logged > 0);
		key(&o, "core_throttles");
		null_or_decimal(t.core_throttles >= 0, t.core_throttles);
		key(&o, "core_throttle_seconds");
		null_or_decimal(t.core_throttle_ms >= 0, t.core_throttle_ms,
		    1000);
		key(&o, "frequency_hertz");
		null_or_decimal(c.frequency >= 0,
		    c.frequency * r.source.hertz_per_frequency);
		report_putc('}');
	}
	report_putc(']');
}

void packages(const readings &r)
{
	container list;

	report_putc('[');
	for (const package_reading &p : r.cpus.packages) {
		container o, dies;
		next(&list);
		report_putc('{');
		key(&o, "package");
		report_print("%d", p.package);
		key(&o, "temperature_celsius");
		null_or_celsius(r, p.temperature.known, p.temperature.value);
		key(&o, "throttles");
		null_or_decimal(p.throttles >= 0, p.throttles);
		key(&o, "dies");
		report_putc('[');
		for (int d = 0; d < p.dies; d++) {
			next(&dies);
			report_print("{\"die\":%d,\"temperature_celsius\":", d);
			null_or_celsius(r, p.die[d].known, p.die[d].value);
			report_putc('}');
		}
		report_fputs("]}");
	}
	report_putc(']');
}

void trip_point(const readings &r, container *list, const char *type,
    const temperature_reading &t)
{
	if (!t.known)
		return;
	next(list);
	report_print("{\"type\":\"%s\",\"temperature_celsius\":", type);
	print_celsius(r.source.temperature, t.value);
	report_putc('}');
}

void zones(const readings &r)
{
	container list;

	report_putc('[');
	for (const zone_reading &z : r.zones.zone) {
		container trips;
		next(&list);
		report_print("{\"zone\":\"tz%d\",\"type\":", z.number);
		if (z.type[0] != '\0')
			string(z.type);
		else
			report_fputs("null");
		report_fputs(",\"temperature_celsius\":");
		null_or_celsius(r, z.known, z.temperature);
		report_fputs(",\"trip_points\":[");
		each_trip_point(z.limits,
		    [&](const char *type, const temperature_reading &t) {
			    trip_point(r, &trips, type, t);
		    });
		report_fputs("]}");
	}
	report_putc(']');
}

void null_or_sensor(const readings &r, sensor_kind kind, const sensor_value &v)
{
	if (v.known)
		print_sensor_value(r.source, kind, v.value);
	else
		report_fputs("null");
}

// Each sensor with the keys of its kind's row: its value, its limits.
void sensors(const readings &r)
{
	container list;

	report_putc('[');
	for (const sensor_reading &s : r.sensors) {
		const sensor_fields &f = fields_of(s.kind);
		container o;
		next(&list);
		report_putc('{');
		key(&o, "chip");
		string(s.chip);
		key(&o, "sensor");
		string(s.label);
		key(&o, "kind");
		report_print("\"%s\"", f.kind);
		key(&o, f.key);
		null_or_sensor(r, s.kind, s.value);
		for (const sensor_limit_field &l : f.limits) {
			if (l.family == nullptr)
				continue;
			key(&o, l.key);
			null_or_sensor(r, s.kind, s.*l.value);
		}
		key(&o, "alarm");
		null_or_bool(s.alarm >= 0, s.alarm == 1);
		report_putc('}');
	}
	report_putc(']');
}

// The state word's three bits.
void state_bits(container *o, bool known, int32_t state)
{
	key(o, "charging");
	null_or_bool(known, (state & battery_charging) != 0);
	key(o, "discharging");
	null_or_bool(known, (state & battery_discharging) != 0);
	key(o, "critical");
	null_or_bool(known, (state & battery_critical) != 0);
}

void summary(const readings &r)
{
	const battery_summary &s = r.summary;
	container o;

	report_putc('{');
	key(&o, "batteries");
	null_or_decimal(s.units >= 0, s.units);
	int64_t life = 0;
	bool life_known = s.supported && battery_life_billionths(s, &life);
	key(&o, "remaining_ratio");
	null_or_decimal(life_known, life, ratio_scale);
	key(&o, "time_remaining_seconds");
	null_or_decimal(s.supported && s.time >= 0,
	    s.time * r.source.seconds_per_time);
	int64_t to_full = battery_total_time_to_full(r);
	key(&o, "time_to_full_seconds");
	null_or_decimal(to_full >= 0, to_full);
	// Unknown where the word is, or where it says that no battery is
	// present.
	state_bits(&o,
	    s.supported && s.state >= 0 && s.state != battery_not_present,
	    s.state);
	report_putc('}');
}

// An amount in the key for its kind: watt-hours or amp-hours, watts or
// amperes; null under the other kind's key.
void amount(const readings &r, container *o, const battery_unit &u,
    const char *energy_key, const char *charge_key, bool known, int64_t value)
{
	known = known && value != -1;
	key(o, energy_key);
	null_or_decimal(known && !u.in_charge,
	    value * r.source.micro_per_amount, 1000000);
	key(o, charge_key);
	null_or_decimal(known && u.in_charge, value * r.source.micro_per_amount,
	    1000000);
}

void identity(container *o, const battery_unit &u, bool design)
{
	const char *const names[] = {"model", "serial", "type", "oem"};
	const char(*const fields[])[battery_string_size] = {&u.model, &u.serial,
	    &u.type, &u.oem};

	for (int i = 0; i < 4; i++) {
		key(o, names[i]);
		if (design)
			string(*fields[i]);
		else
			report_fputs("null");
	}
	key(o, "technology");
	report_fputs(!design ? "null"
		: u.primary  ? "\"primary\""
			     : "\"secondary\"");
}

void battery(const readings &r, int unit, const battery_unit &u)
{
	container o;
	bool present = u.stage > battery_stage::not_present;
	bool design = u.stage >= battery_stage::no_charge;
	bool charge = u.stage >= battery_stage::no_status;
	bool status = u.stage == battery_stage::complete &&
	    u.status_state != battery_not_present;

	report_putc('{');
	key(&o, "unit");
	report_print("%d", unit);
	key(&o, "present");
	null_or_bool(u.stage >= battery_stage::not_present, present);
	identity(&o, u, design);
	amount(r, &o, u, "design_capacity_watthours",
	    "design_capacity_amphours", design, u.design_capacity);
	amount(r, &o, u, "last_full_capacity_watthours",
	    "last_full_capacity_amphours", design, u.last_full_capacity);
	key(&o, "design_voltage_volts");
	null_or_decimal(design && u.design_voltage != -1,
	    u.design_voltage * r.source.micro_per_amount, 1000000);
	int64_t remaining = 0;
	bool remaining_known =
	    charge && battery_remaining_billionths(u, &remaining);
	key(&o, "remaining_ratio");
	null_or_decimal(remaining_known, remaining, ratio_scale);
	key(&o, "time_remaining_seconds");
	null_or_decimal(charge && u.time >= 0,
	    u.time * r.source.seconds_per_time);
	int64_t to_full = battery_time_to_full(u, r.source);
	key(&o, "time_to_full_seconds");
	null_or_decimal(to_full >= 0, to_full);
	amount(r, &o, u, "rate_watts", "rate_amperes", charge, u.rate);
	key(&o, "voltage_volts");
	null_or_decimal(status && u.voltage != -1,
	    u.voltage * r.source.micro_per_amount, 1000000);
	state_bits(&o, charge, u.state);
	key(&o, "cycles");
	null_or_decimal(design && u.cycles >= 0, u.cycles);
	key(&o, "health_ratio");
	if (battery_health_known(u))
		print_fraction(u.last_full_capacity, u.design_capacity);
	else
		report_fputs("null");
	key(&o, "charge_start_threshold_ratio");
	null_or_decimal(design && u.charge_start >= 0, u.charge_start, 100);
	key(&o, "charge_end_threshold_ratio");
	null_or_decimal(design && u.charge_end >= 0, u.charge_end, 100);
	report_putc('}');
}

void batteries(const readings &r)
{
	container list;

	report_putc('[');
	for (int unit = 0; unit < read_battery_units(r.batteries); unit++) {
		next(&list);
		battery(r, unit, r.batteries.unit[unit]);
	}
	report_putc(']');
}

} // namespace

void write_json(const readings &r)
{
	container o;

	report_fputs("{\"pelko\":{");
	key(&o, "schema_version");
	report_putc('1');
	key(&o, "timestamp");
	timestamp(r.time);
	key(&o, "cpus");
	cpus(r);
	key(&o, "packages");
	packages(r);
	key(&o, "thermal_zones");
	zones(r);
	key(&o, "ac_online");
	null_or_bool(r.summary.acline != -1, r.summary.acline != 0);
	key(&o, "battery_summary");
	summary(r);
	key(&o, "batteries");
	batteries(r);
	key(&o, "sensors");
	sensors(r);
	report_fputs("}}\n");
}
