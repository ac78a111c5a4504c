// SPDX-License-Identifier: BSD-2-Clause
#include <stdio.h>

#include "family.h"
#include "format/format.h"
#include "format/print.h"
#include "metrics.h"
#include "temperature/temperature.h"

namespace {

void temperatures(const readings &r)
{
	family cpus = {"pelko_cpus", "Number of CPUs.", gauge, false};
	family cpu = {"pelko_cpu_temperature_celsius",
	    "Temperature of the CPU's core, to a tenth of a degree.", gauge,
	    false};
	family zone = {"pelko_thermal_zone_temperature_celsius",
	    "Temperature of the ACPI thermal zone, to a tenth of a degree.",
	    gauge, false};

	if (r.cpus.count_known) {
		sample(&cpus, static_cast<long long>(r.cpus.cpu.count));
		for (const cpu_reading &c : r.cpus.cpu) {
			if (!c.known)
				continue;
			begin_sample(&cpu);
			report_print("{cpu=\"%d\"} ", c.number);
			print_celsius(r.source.temperature, c.temperature);
			report_putc('\n');
		}
	}
	for (const zone_reading &z : r.zones.zone) {
		if (!z.known)
			continue;
		begin_sample(&zone);
		report_print("{zone=\"tz%d\"} ", z.number);
		print_celsius(r.source.temperature, z.temperature);
		report_putc('\n');
	}
}

void summary(const readings &r)
{
	family ac = {"pelko_ac_online", "Whether the machine runs on AC power.",
	    gauge, false};
	family units = {"pelko_batteries", "Number of battery units.", gauge,
	    false};
	family ratio = {"pelko_battery_total_remaining_ratio",
	    "Remaining capacity of all batteries together, from 0 to 1.", gauge,
	    false};
	family time = {"pelko_battery_total_time_remaining_seconds",
	    "Time left on all batteries together.", gauge, false};
	family full = {"pelko_battery_total_time_to_full_seconds",
	    "Time until all charging batteries together are full.", gauge,
	    false};
	const battery_summary &s = r.summary;
	int64_t to_full = battery_total_time_to_full(r);

	if (s.acline != -1)
		sample(&ac, s.acline != 0);
	if (s.units >= 0)
		sample(&units, s.units);
	int64_t life;
	if (battery_life_billionths(s, &life))
		sample(&ratio, life, ratio_scale);
	if (s.time >= 0)
		sample(&time, s.time * r.source.seconds_per_time);
	if (to_full >= 0)
		sample(&full, to_full);
}

// A record string as a label value: control bytes as '?', then the
// format's escapes for backslash and double quote.
template <size_t N>
void print_label(const char *name, const char (&field)[N])
{
	report_print(",%s=", name);
	print_quoted(field, N);
}

// Each Linux zone's type, apart from its readings so that their labels stay
// as they are: joined on zone where it is wanted.
void zone_info(const readings &r)
{
	family info = {"pelko_thermal_zone_info",
	    "The thermal zone's type: thermal_zoneN/type on Linux.", gauge,
	    false};

	for (const zone_reading &z : r.zones.zone) {
		if (!z.known || z.type[0] == '\0')
			continue;
		begin_sample(&info);
		report_print("{zone=\"tz%d\"", z.number);
		print_label("type", z.type);
		report_fputs("} 1\n");
	}
}

void info_sample(family *f, int unit, const battery_unit &u)
{
	begin_sample(f);
	report_print("{unit=\"%d\"", unit);
	print_label("model", u.model);
	print_label("serial", u.serial);
	print_label("type", u.type);
	print_label("oem", u.oem);
	report_print(",technology=\"%s\"} 1\n",
	    u.primary ? "primary" : "secondary");
}

// What a unit's value is measured in: the metric divides it to whole
// units exactly.
enum class measure : uint8_t { count, ratio, amount, time };

// A family with one sample per battery unit.
struct unit_metric {
	const char *name;	 // for energy units, or whatever the units
	const char *charge_name; // for charge units; nullptr: one family
	const char *help;
	battery_stage needs; // the unit's readings went at least this far
	measure in;
	// The value, false when it is not known.
	bool (*value)(const battery_unit &u, const source_units &s,
	    int64_t *value);
};

bool known(int64_t field, int64_t *value)
{
	*value = field;
	return field != -1;
}

bool bit(int32_t state, int32_t mask, int64_t *value)
{
	*value = (state & mask) != 0;
	return true;
}

const unit_metric unit_metrics[] = {
    {"pelko_battery_present", nullptr, "Whether the battery is present.",
	battery_stage::not_present, measure::count,
	[](const battery_unit &u, const source_units &, int64_t *v) {
		*v = u.stage != battery_stage::not_present;
		return true;
	}},
    {"pelko_battery_design_capacity_watthours",
	"pelko_battery_design_capacity_amphours",
	"Design capacity of the battery.", battery_stage::no_charge,
	measure::amount,
	[](const battery_unit &u, const source_units &, int64_t *v) {
		return known(u.design_capacity, v);
	}},
    {"pelko_battery_last_full_capacity_watthours",
	"pelko_battery_last_full_capacity_amphours",
	"Capacity of the battery when it was last full.",
	battery_stage::no_charge, measure::amount,
	[](const battery_unit &u, const source_units &, int64_t *v) {
		return known(u.last_full_capacity, v);
	}},
    {"pelko_battery_design_voltage_volts", nullptr,
	"Design voltage of the battery.", battery_stage::no_charge,
	measure::amount,
	[](const battery_unit &u, const source_units &, int64_t *v) {
		return known(u.design_voltage, v);
	}},
    {"pelko_battery_remaining_ratio", nullptr,
	"Remaining capacity of the battery, from 0 to 1.",
	battery_stage::no_status, measure::ratio,
	[](const battery_unit &u, const source_units &, int64_t *v) {
		return battery_remaining_billionths(u, v);
	}},
    {"pelko_battery_time_remaining_seconds", nullptr,
	"Time left on the battery.", battery_stage::no_status, measure::time,
	[](const battery_unit &u, const source_units &, int64_t *v) {
		*v = u.time;
		return u.time >= 0;
	}},
    {"pelko_battery_time_to_full_seconds", nullptr,
	"Time until the battery is full, while it charges.",
	battery_stage::no_status, measure::count,
	[](const battery_unit &u, const source_units &s, int64_t *v) {
		*v = battery_time_to_full(u, s);
		return *v >= 0;
	}},
    {"pelko_battery_rate_watts", "pelko_battery_rate_amperes",
	"Present charge or discharge rate of the battery.",
	battery_stage::no_status, measure::amount,
	[](const battery_unit &u, const source_units &, int64_t *v) {
		return known(u.rate, v);
	}},
    {"pelko_battery_voltage_volts", nullptr, "Present voltage of the battery.",
	battery_stage::complete, measure::amount,
	[](const battery_unit &u, const source_units &, int64_t *v) {
		return u.status_state != battery_not_present &&
		    known(u.voltage, v);
	}},
    {"pelko_battery_charging", nullptr, "Whether the battery is charging.",
	battery_stage::no_status, measure::count,
	[](const battery_unit &u, const source_units &, int64_t *v) {
		return bit(u.state, battery_charging, v);
	}},
    {"pelko_battery_discharging", nullptr,
	"Whether the battery is discharging.", battery_stage::no_status,
	measure::count,
	[](const battery_unit &u, const source_units &, int64_t *v) {
		return bit(u.state, battery_discharging, v);
	}},
    {"pelko_battery_critical", nullptr,
	"Whether the battery is critically low.", battery_stage::no_status,
	measure::count,
	[](const battery_unit &u, const source_units &, int64_t *v) {
		return bit(u.state, battery_critical, v);
	}},
};

// A unit's value in whole units: amounts from their micro-units, times
// in seconds.
void unit_value(const source_units &source, measure in, int64_t value)
{
	report_putc(' ');
	switch (in) {
	case measure::count:
		print_decimal(value, 1);
		break;
	case measure::ratio:
		print_decimal(value, ratio_scale);
		break;
	case measure::amount:
		print_decimal(value * source.micro_per_amount, 1000000);
		break;
	case measure::time:
		print_decimal(value * source.seconds_per_time, 1);
		break;
	}
	report_putc('\n');
}

// The samples of one family, unit by unit; a two-named family takes the
// units whose readings are in its kind.
void write_unit_family(const readings &r, const unit_metric &m, bool in_charge)
{
	family f = {in_charge ? m.charge_name : m.name, m.help, gauge, false};

	for (int unit = 0; unit < read_battery_units(r.batteries); unit++) {
		const battery_unit &u = r.batteries.unit[unit];
		int64_t value;
		if (u.stage < m.needs ||
		    (m.charge_name != nullptr && u.in_charge != in_charge) ||
		    !m.value(u, r.source, &value))
			continue;
		begin_sample(&f);
		report_print("{unit=\"%d\"}", unit);
		unit_value(r.source, m.in, value);
	}
}

// The format wants each family's samples together, unit after unit.
void batteries(const readings &r)
{
	family info = {"pelko_battery_info",
	    "The battery's model, serial number, type, maker and technology.",
	    gauge, false};

	for (const unit_metric &m : unit_metrics) {
		write_unit_family(r, m, false);
		if (m.charge_name != nullptr)
			write_unit_family(r, m, true);
	}
	for (int unit = 0; unit < read_battery_units(r.batteries); unit++)
		if (r.batteries.unit[unit].stage >= battery_stage::no_charge)
			info_sample(&info, unit, r.batteries.unit[unit]);
}

} // namespace

void write_metrics(const readings &r)
{
	temperatures(r);
	zone_info(r);
	summary(r);
	batteries(r);
	write_extended_metrics(r);
	write_sensor_metrics(r);
}
