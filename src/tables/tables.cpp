// SPDX-License-Identifier: BSD-2-Clause
// The tables: each kind's rows in the order of its JSON object, which is
// also the order of its families among the metrics of their part.
#include <stdio.h>
#include <string.h>

#include "format/format.h"
#include "format/print.h"
#include "table.h"
#include "temperature/temperature.h"

// The tables are constant-initialized (they compile as constinit); the
// check takes a lambda's conversion to a function pointer for a call that
// may throw.
// NOLINTBEGIN(cert-err58-cpp)

namespace {

constexpr scale one = {nullptr, 1};
constexpr scale amount = {&source_units::micro_per_amount, 1000000};
constexpr scale time_left = {&source_units::seconds_per_time, 1};
constexpr scale percent = {nullptr, 100};
constexpr scale ratio = {nullptr, ratio_scale};
constexpr scale milliseconds = {nullptr, 1000};
constexpr scale hertz = {&source_units::hertz_per_frequency, 1};
constexpr scale megahertz = {&source_units::hertz_per_frequency, 1000000};
constexpr line none = {};

using any = const readings &;
using cpu = const cpu_reading &;
using package = const package_reading &;
using die = const die_entry &;
using zone = const zone_reading &;
using trip = const trip_entry &;

// A value of the record, or that a function of it computes, where shown
// says that it may be known.
value value_of(sensor_value v, bool shown)
{
	return {shown && v.known, v.value};
}

const row cpu_rows[] = {
    {"temperature_celsius", nullptr, gauge, shape::celsius, one, part::report,
	none, "Temperature of the CPU's core, to a tenth of a degree.",
	[](cpu c, any) { return c.temperature; }},
    {"critical_temperature_celsius", nullptr, gauge, shape::celsius, one,
	part::limits, {shown::celsius, "critical"},
	"Critical temperature of the CPU: dev.cpu.N.coretemp.tjmax on "
	"FreeBSD, tempN_crit beside its input on Linux.",
	[](cpu c, any) { return c.critical; }},
    {"thermal_throttle_logged", nullptr, gauge, shape::boolean, one,
	part::limits, {shown::yes_no, "throttled"},
	"Whether the CPU throttled since boot: dev.cpu.N.coretemp."
	"throttle_log on FreeBSD, a core_throttle_count above 0 on Linux.",
	[](cpu c, any) { return c.throttling.logged; }},
    {"core_throttles", nullptr, counter, shape::number, one, part::limits,
	{shown::number, "core throttles"},
	"Times the CPU's core throttled: core_throttle_count on Linux.",
	[](cpu c, any) { return c.throttling.core_throttles; }},
    {"core_throttle_seconds", nullptr, counter, shape::number, milliseconds,
	part::limits, {shown::number, "core throttle time", milliseconds, "s"},
	"Time the CPU's core spent throttled: core_throttle_total_time_ms on "
	"Linux.",
	[](cpu c, any) { return c.throttling.core_throttle_ms; }},
    {"frequency_hertz", nullptr, gauge, shape::number, hertz, part::extra,
	{shown::number, "frequency", megahertz, "MHz"},
	"Present clock of the CPU: dev.cpu.N.freq on FreeBSD, "
	"cpuN/cpufreq/scaling_cur_freq on Linux.",
	[](cpu c, any) { return c.frequency; }},
};

const row package_rows[] = {
    {"temperature_celsius", nullptr, gauge, shape::celsius, one, part::report,
	{shown::celsius, ""},
	"Temperature of the CPU package: dev.amdtemp.N.core0.sensor0 on "
	"FreeBSD, Package id or Tctl on Linux.",
	[](package p, any) { return p.temperature; }},
    {"throttles", nullptr, counter, shape::number, one, part::limits,
	{shown::number, "throttles"},
	"Times the CPU package throttled: package_throttle_count on Linux.",
	[](package p, any) { return p.throttles; }},
};

const row die_rows[] = {
    {"temperature_celsius", nullptr, gauge, shape::celsius, one, part::report,
	{shown::celsius, ""},
	"Temperature of the CPU die: dev.amdtemp.N.ccdM on FreeBSD, TccdK as "
	"die K-1 on Linux.",
	[](die d, any) { return d.package->die[d.die]; }},
};

const row zone_rows[] = {
    {"type", "", gauge, shape::text, one, part::report, {shown::text, "type"},
	nullptr,
	[](zone z, any) -> value {
		return {z.type[0] != '\0', 0, 1, z.type, sizeof z.type};
	}},
    {"temperature_celsius", nullptr, gauge, shape::celsius, one, part::report,
	none, "Temperature of the ACPI thermal zone, to a tenth of a degree.",
	[](zone z, any) { return z.temperature; }},
    {"info", nullptr, gauge, shape::info, one, part::report, none,
	"The thermal zone's type: thermal_zoneN/type on Linux.",
	[](zone z, any) {
		return value(z.temperature.known && z.type[0] != '\0', 1);
	}},
    {"active_cooling_level", nullptr, gauge, shape::number, one, part::limits,
	{shown::active_level, "active cooling"},
	"Active cooling level that runs in the zone, 0 for its highest trip "
	"point active0 and -1 for none: hw.acpi.thermal.tzN.active on "
	"FreeBSD.",
	[](zone z, any) { return z.active_cooling; }},
    {"passive_cooling", nullptr, gauge, shape::boolean, one, part::limits,
	{shown::yes_no, "passive cooling"},
	"Whether passive cooling, which slows the CPUs down, is enabled in the "
	"zone: hw.acpi.thermal.tzN.passive_cooling on FreeBSD.",
	[](zone z, any) {
		return value(z.passive_cooling.known,
		    z.passive_cooling.value != 0);
	}},
};

const row trip_rows[] = {
    {"temperature_celsius", "pelko_thermal_zone_trip_point_celsius", gauge,
	shape::celsius, one, part::limits, {shown::celsius, ""},
	"Trip point of the ACPI thermal zone: _CRT, _HOT, _PSV and _ACx on "
	"FreeBSD, trip_point_N_temp on Linux.",
	[](trip t, any) { return *t.trip; }},
};

const row power_rows[] = {
    {"ac_online", nullptr, gauge, shape::boolean, one, part::report,
	{shown::yes_no, "online"}, "Whether the machine runs on AC power.",
	[](any, any r) {
		return value(r.summary.acline.known,
		    r.summary.acline.value != 0);
	}},
};

// Unknown where the state word is, or where it says that no battery is
// present.
value summary_bit(const battery_summary &s, int32_t mask)
{
	int64_t state = s.state.value;
	return {s.state.known && state >= 0 && state != battery_not_present,
	    (state & mask) != 0};
}

const row summary_rows[] = {
    {"batteries", "pelko_batteries", gauge, shape::number, one, part::report,
	none, "Number of battery units.",
	[](any, any r) { return r.summary.units; }},
    {"remaining_ratio", nullptr, gauge, shape::number, ratio, part::report,
	none, "Remaining capacity of all batteries together, from 0 to 1.",
	[](any, any r) { return battery_life_billionths(r.summary); }},
    {"time_remaining_seconds", nullptr, gauge, shape::number, time_left,
	part::report, none, "Time left on all batteries together.",
	[](any, any r) { return r.summary.time; }},
    {"time_to_full_seconds", nullptr, gauge, shape::number, one, part::report,
	{shown::hours_minutes, "time to full"},
	"Time until all charging batteries together are full.",
	[](any, any r) { return battery_total_time_to_full(r); }},
    {"charging", "", gauge, shape::boolean, one, part::report, none, nullptr,
	[](any, any r) { return summary_bit(r.summary, battery_charging); }},
    {"discharging", "", gauge, shape::boolean, one, part::report, none, nullptr,
	[](any, any r) { return summary_bit(r.summary, battery_discharging); }},
    {"critical", "", gauge, shape::boolean, one, part::report, none, nullptr,
	[](any, any r) { return summary_bit(r.summary, battery_critical); }},
};

bool design(const battery_unit &u)
{
	return u.stage >= battery_stage::no_charge;
}

bool charge(const battery_unit &u)
{
	return u.stage >= battery_stage::no_status;
}

// A firmware string, known with the design data.
template <size_t N>
value text(const battery_unit &u, const char (&field)[N])
{
	return {design(u), 0, 1, field, N};
}

// What the status request gave, for a battery that is present.
bool status(const battery_unit &u)
{
	return u.stage == battery_stage::complete &&
	    u.status_state.value != battery_not_present;
}

// A driver's status text, known where it gave one.
template <size_t N>
value status_text(const battery_unit &u, const char (&field)[N])
{
	return {status(u) && field[0] != '\0', 0, 1, field, N};
}

value state_bit(const battery_unit &u, int32_t mask)
{
	return {charge(u), (u.state.value & mask) != 0};
}

using entry = const battery_entry &;

// An amount under the key of its kind: watt-hours or amp-hours, watts or
// amperes; unknown under the other kind's key, and where known says so.
template <sensor_value battery_unit::*field,
    bool (*known)(const battery_unit &), bool in_charge>
constexpr auto amount_of = [](entry b, any) {
	return value_of(b.u->*field,
	    known(*b.u) && b.u->in_charge == in_charge);
};

const row battery_rows[] = {
    {"present", nullptr, gauge, shape::boolean, one, part::report, none,
	"Whether the battery is present.",
	[](entry b, any) {
		return value(b.u->stage >= battery_stage::not_present,
		    b.u->stage != battery_stage::not_present);
	}},
    {"model", "", gauge, shape::text, one, part::report, none, nullptr,
	[](entry b, any) { return text(*b.u, b.u->model); }},
    {"serial", "", gauge, shape::text, one, part::report, none, nullptr,
	[](entry b, any) { return text(*b.u, b.u->serial); }},
    {"type", "", gauge, shape::text, one, part::report, none, nullptr,
	[](entry b, any) { return text(*b.u, b.u->type); }},
    {"oem", "", gauge, shape::text, one, part::report, none, nullptr,
	[](entry b, any) { return text(*b.u, b.u->oem); }},
    {"technology", "", gauge, shape::text, one, part::report, none, nullptr,
	[](entry b, any) -> value {
		const char *t = b.u->primary ? "primary" : "secondary";
		return {design(*b.u), 0, 1, t, 10};
	}},
    {"design_capacity_watthours", nullptr, gauge, shape::number, amount,
	part::report, none, "Design capacity of the battery.",
	amount_of<&battery_unit::design_capacity, design, false>},
    {"design_capacity_amphours", nullptr, gauge, shape::number, amount,
	part::report, none, "Design capacity of the battery.",
	amount_of<&battery_unit::design_capacity, design, true>},
    {"last_full_capacity_watthours", nullptr, gauge, shape::number, amount,
	part::report, none, "Capacity of the battery when it was last full.",
	amount_of<&battery_unit::last_full_capacity, design, false>},
    {"last_full_capacity_amphours", nullptr, gauge, shape::number, amount,
	part::report, none, "Capacity of the battery when it was last full.",
	amount_of<&battery_unit::last_full_capacity, design, true>},
    {"design_voltage_volts", nullptr, gauge, shape::number, amount,
	part::report, none, "Design voltage of the battery.",
	[](entry b, any) {
		return value_of(b.u->design_voltage, design(*b.u));
	}},
    {"remaining_ratio", nullptr, gauge, shape::number, ratio, part::report,
	none, "Remaining capacity of the battery, from 0 to 1.",
	[](entry b, any) {
		return value_of(battery_remaining_billionths(*b.u),
		    charge(*b.u));
	}},
    {"time_remaining_seconds", nullptr, gauge, shape::number, time_left,
	part::report, none, "Time left on the battery.",
	[](entry b, any) { return value_of(b.u->time, charge(*b.u)); }},
    {"time_to_full_seconds", nullptr, gauge, shape::number, one, part::report,
	{shown::hours_minutes, "time to full"},
	"Time until the battery is full, while it charges.",
	[](entry b, any r) { return battery_time_to_full(*b.u, r.source); }},
    {"rate_watts", nullptr, gauge, shape::number, amount, part::report, none,
	"Present charge or discharge rate of the battery.",
	amount_of<&battery_unit::rate, charge, false>},
    {"rate_amperes", nullptr, gauge, shape::number, amount, part::report, none,
	"Present charge or discharge rate of the battery.",
	amount_of<&battery_unit::rate, charge, true>},
    {"voltage_volts", nullptr, gauge, shape::number, amount, part::report, none,
	"Present voltage of the battery.",
	[](entry b, any) { return value_of(b.u->voltage, status(*b.u)); }},
    {"charging", nullptr, gauge, shape::boolean, one, part::report, none,
	"Whether the battery is charging.",
	[](entry b, any) { return state_bit(*b.u, battery_charging); }},
    {"discharging", nullptr, gauge, shape::boolean, one, part::report, none,
	"Whether the battery is discharging.",
	[](entry b, any) { return state_bit(*b.u, battery_discharging); }},
    {"critical", nullptr, gauge, shape::boolean, one, part::report, none,
	"Whether the battery is critically low.",
	[](entry b, any) { return state_bit(*b.u, battery_critical); }},
    {"info", nullptr, gauge, shape::info, one, part::report, none,
	"The battery's model, serial number, type, maker and technology.",
	[](entry b, any) { return value(design(*b.u), 1); }},
    {"cycles", nullptr, gauge, shape::number, one, part::report,
	{shown::number, "cycle count", one, nullptr, true},
	"Charge cycles of the battery, as its firmware counts them: the "
	"extended battery information on FreeBSD, cycle_count on Linux.",
	[](entry b, any) { return value_of(b.u->cycles, design(*b.u)); }},
    {"health_ratio", nullptr, gauge, shape::fraction, one, part::report,
	{shown::percent, "health", one, "percent", true},
	"Last full capacity of the battery over its design capacity.",
	[](entry b, any) -> value {
		return {battery_health_known(*b.u),
		    b.u->last_full_capacity.value, b.u->design_capacity.value};
	}},
    {"charge_start_threshold_ratio", nullptr, gauge, shape::number, percent,
	part::report, {shown::number, "charge start threshold", one, "percent"},
	"Charge level below which the battery starts charging, from 0 to 1: "
	"charge_control_start_threshold, or charge_start_threshold, on Linux.",
	[](entry b, any) { return value_of(b.u->charge_start, design(*b.u)); }},
    {"charge_end_threshold_ratio", nullptr, gauge, shape::number, percent,
	part::report, {shown::number, "charge end threshold", one, "percent"},
	"Charge level at which the battery stops charging, from 0 to 1: "
	"charge_control_end_threshold, or charge_stop_threshold, on Linux.",
	[](entry b, any) { return value_of(b.u->charge_end, design(*b.u)); }},
    {"remaining_capacity_watthours", nullptr, gauge, shape::number, amount,
	part::report, {shown::number, "remaining energy", amount, "Wh"},
	"Energy left in the battery: the status's remaining capacity on "
	"FreeBSD, energy_now on Linux.",
	amount_of<&battery_unit::remaining_capacity, status, false>},
    {"remaining_capacity_amphours", nullptr, gauge, shape::number, amount,
	part::report, {shown::number, "remaining charge", amount, "Ah"},
	"Charge left in the battery: the status's remaining capacity on "
	"FreeBSD, charge_now on Linux.",
	amount_of<&battery_unit::remaining_capacity, status, true>},
    // The driver's own words, each an info family of its own: a status
    // that changes leaves the others' series as they are.
    {"status", "", gauge, shape::text, one, part::report,
	{shown::text, "status"}, nullptr,
	[](entry b, any) { return status_text(*b.u, b.u->status); }},
    {"status_info", nullptr, gauge, shape::info, one, part::report, none,
	"The battery's status as its driver words it (\"Discharging\", \"Not "
	"charging\", \"Full\"): status on Linux.",
	[](entry b, any) {
		return value(status_text(*b.u, b.u->status).known, 1);
	}},
    {"capacity_level", "", gauge, shape::text, one, part::report,
	{shown::text, "capacity level"}, nullptr,
	[](entry b, any) { return status_text(*b.u, b.u->capacity_level); }},
    {"capacity_level_info", nullptr, gauge, shape::info, one, part::report,
	none,
	"The battery's charge as its driver words it (\"Normal\", \"Low\", "
	"\"Critical\"): capacity_level on Linux.",
	[](entry b, any) {
		return value(status_text(*b.u, b.u->capacity_level).known, 1);
	}},
    {"health", "", gauge, shape::text, one, part::report,
	{shown::text, "health status"}, nullptr,
	[](entry b, any) { return status_text(*b.u, b.u->health); }},
    {"health_info", nullptr, gauge, shape::info, one, part::report, none,
	"The battery's health as its driver words it (\"Good\", \"Overheat\", "
	"\"Dead\"): health on Linux, where the driver has it.",
	[](entry b, any) {
		return value(status_text(*b.u, b.u->health).known, 1);
	}},
};

using domain = const power_domain_reading &;

// The domain's power over the interval of its last two readings, in
// microwatts, rounded to the nearest: in the x87's 64-bit mantissa, which
// keeps the product of a count and 10^15 to within 10^-19 of itself.
value power_of(domain d)
{
	if (!d.delta.known || d.interval_ns.value <= 0 || d.per <= 0)
		return {false, 0};
	long double power = static_cast<long double>(d.delta.value) * 1e15L /
	    (static_cast<long double>(d.per) *
		static_cast<long double>(d.interval_ns.value));
	if (!(power < 9.2e18L))
		return {false, 0};
	return {true, static_cast<int64_t>(power + 0.5L)};
}

constexpr scale microwatts = {nullptr, 1000000};

const row power_domain_rows[] = {
    {"energy_joules", nullptr, counter, shape::quotient, one, part::extra, none,
	"Energy the power domain used: energy_uj on Linux, the RAPL "
	"register through cpuctl(4) on FreeBSD.",
	[](domain d, any) -> value {
		return {d.energy.known, d.energy.value, d.per};
	}},
    {"max_energy_joules", nullptr, gauge, shape::quotient, one, part::extra,
	none, "Energy at which the power domain's counter wraps.",
	[](domain d, any) -> value {
		return {d.range.known, d.range.value, d.per};
	}},
    {"power_watts", nullptr, gauge, shape::number, microwatts, part::extra,
	{shown::tenths, "power", microwatts, "W", true},
	"Power the domain drew between its last two readings.",
	[](domain d, any) { return power_of(d); }},
    {"power_interval_seconds", nullptr, gauge, shape::number,
	{nullptr, 1000000000}, part::extra, none,
	"Time between the readings of the power.",
	[](domain d, any) {
		return value(power_of(d).known, d.interval_ns.value);
	}},
};

} // namespace

const table<power_domain_reading> power_domain_table = {"power_domain",
    [](const power_domain_reading &d) {
	    report_fputs("domain=");
	    print_quoted(d.domain, sizeof d.domain);
	    report_fputs(",name=");
	    print_quoted(d.name, sizeof d.name);
    },
    [](const power_domain_reading &d) {
	    report_fputs("\"domain\":");
	    print_quoted(d.domain, sizeof d.domain);
	    report_fputs(",\"name\":");
	    print_quoted(d.name, sizeof d.name);
    },
    [](const power_domain_reading &d, label_text *text) {
	    char shown[power_text_size + 1];
	    printable_string(d.label, shown);
	    text->add(shown);
    },
    power_domain_rows};

const table<cpu_reading> cpu_table = {"cpu",
    [](const cpu_reading &c) { report_print("cpu=\"%d\"", c.number); },
    [](const cpu_reading &c) { report_print("\"cpu\":%d", c.number); },
    [](const cpu_reading &c, label_text *text) {
	    text->add("CPU").add(c.number);
    },
    cpu_rows};

const table<package_reading> package_table = {"cpu_package",
    [](const package_reading &p) { report_print("package=\"%d\"", p.package); },
    [](const package_reading &p) { report_print("\"package\":%d", p.package); },
    [](const package_reading &p, label_text *text) {
	    text->add("package").add(p.package);
    },
    package_rows};

const table<die_entry> die_table = {"cpu_die",
    [](const die_entry &d) {
	    report_print("package=\"%d\",die=\"%d\"", d.package->package,
		d.die);
    },
    [](const die_entry &d) { report_print("\"die\":%d", d.die); },
    [](const die_entry &d, label_text *text) {
	    text->add("package").add(d.package->package).add(" die").add(d.die);
    },
    die_rows};

namespace {

// "tz0", or with the zone's type, "tz0 (acpitz)".
void zone_name(const zone_reading &z, label_text *text)
{
	char shown[zone_type_size + 1];
	printable_string(z.type, shown);
	text->add("tz").add(z.number);
	if (shown[0] != '\0')
		text->add(" (").add(shown).add(")");
}

} // namespace

const table<zone_reading> zone_table = {"thermal_zone",
    [](const zone_reading &z) { report_print("zone=\"tz%d\"", z.number); },
    [](const zone_reading &z) { report_print("\"zone\":\"tz%d\"", z.number); },
    [](const zone_reading &z, label_text *text) {
	    text->add("tz").add(z.number);
    },
    zone_rows};

// "tz0 critical", or with the zone's type, "tz0 (acpitz) critical".
const table<trip_entry> trip_table = {"thermal_zone",
    [](const trip_entry &t) {
	    report_print("zone=\"tz%d\",type=\"%s\"", t.zone->number, t.type);
    },
    [](const trip_entry &t) { report_print("\"type\":\"%s\"", t.type); },
    [](const trip_entry &t, label_text *text) {
	    zone_name(*t.zone, text);
	    text->add(" ").add(t.type);
    },
    trip_rows};

const table<readings> power_table = {"", nullptr, nullptr,
    [](const readings &, label_text *text) { text->add("AC"); }, power_rows};

const table<readings> summary_table = {"battery_total", nullptr, nullptr,
    [](const readings &, label_text *text) { text->add("batteries"); },
    summary_rows};

const table<battery_entry> battery_table = {"battery",
    [](const battery_entry &b) { report_print("unit=\"%d\"", b.unit); },
    [](const battery_entry &b) { report_print("\"unit\":%d", b.unit); },
    [](const battery_entry &b, label_text *text) {
	    text->add("battery").add(b.unit);
    },
    battery_rows};

// NOLINTEND(cert-err58-cpp)

namespace {

// The names made by the rule, one after the other, for the rest of the
// run: in zeroed storage, which costs the binary nothing.  A name that no
// longer fits is made in scratch storage at every use.
constexpr size_t family_size = 64;
char made_names[8192];
size_t made_used;

} // namespace

const char *make_family(const entity_table &t, const row &w)
{
	static char scratch[family_size];
	if (w.family != nullptr)
		return w.name = w.family;
	bool kept = sizeof made_names - made_used >= family_size;
	char *name = kept ? made_names + made_used : scratch;
	size_t at = 0;
	auto add = [&](const char *text) {
		size_t n = strnlen(text, family_size - 1 - at);
		memcpy(name + at, text, n);
		at += n;
	};

	add("pelko_");
	add(t.entity);
	if (t.entity[0] != '\0')
		add("_");
	add(w.key);
	if (w.type == counter)
		add("_total");
	name[at] = '\0';
	if (kept) {
		made_used += at + 1;
		w.name = name;
	}
	return name;
}

int64_t scale::divisor() const
{
	static constexpr int64_t powers[] = {1, 10, 100, 1000, 10000, 100000,
	    1000000, 10000000, 100000000, 1000000000, 10000000000, 100000000000,
	    1000000000000, 10000000000000, 100000000000000, 1000000000000000,
	    10000000000000000, 100000000000000000, 1000000000000000000};
	return powers[tens];
}

void print_value(const readings &r, shape as, scale in, const value &v)
{
	switch (as) {
	case shape::celsius:
		print_celsius(r.source.temperature, v.number);
		break;
	case shape::fraction:
		print_fraction(v.number, v.per);
		break;
	case shape::quotient:
		print_quotient(v.number, v.per);
		break;
	default:
		print_decimal(v.number * in.multiplier(r.source), in.divisor());
	}
}

label_text &label_text::add(const char *text)
{
	size_t length = strnlen(text, sizeof s - 1 - n);

	memcpy(s + n, text, length);
	n += length;
	s[n] = '\0';
	return *this;
}

label_text &label_text::add(int number)
{
	char digits[12];
	size_t at = sizeof digits - 1;
	auto magnitude = static_cast<unsigned>(number);

	digits[at] = '\0';
	if (number < 0)
		magnitude = 0u - magnitude;
	do
		digits[--at] = static_cast<char>('0' + magnitude % 10);
	while ((magnitude /= 10) != 0);
	if (number < 0)
		digits[--at] = '-';
	return add(digits + at);
}

void print_shown(const readings &r, const line &x, const value &v)
{
	switch (x.as) {
	case shown::celsius:
		report_fputs(
		    shown_temperature(r.source.temperature, v.number).text);
		break;
	case shown::yes_no:
		report_fputs(v.number != 0 ? "yes" : "no");
		break;
	case shown::percent: {
		// Rounded to the nearest tenth of a percent.
		int64_t tenths = (v.number * 1000 + v.per / 2) / v.per;
		report_print("%lld.%lld", static_cast<long long>(tenths / 10),
		    static_cast<long long>(tenths % 10));
		break;
	}
	case shown::tenths: {
		// Rounded to the nearest tenth, halves away from zero.
		int64_t scaled = v.number * x.in.multiplier(r.source) * 10;
		int64_t half = x.in.divisor() / 2;
		int64_t tenths = (scaled >= 0 ? scaled + half : scaled - half) /
		    x.in.divisor();
		if (tenths < 0) {
			report_putc('-');
			tenths = -tenths;
		}
		report_print("%lld.%lld", static_cast<long long>(tenths / 10),
		    static_cast<long long>(tenths % 10));
		break;
	}
	case shown::hours_minutes:
		report_print("%lld:%02lld",
		    static_cast<long long>(v.number / 3600),
		    static_cast<long long>(v.number / 60 % 60));
		break;
	case shown::text: {
		char shown[256];
		printable_text(v.text,
		    v.size < sizeof shown ? v.size : sizeof shown - 1, shown);
		report_fputs(shown);
		break;
	}
	case shown::active_level:
		if (v.number == -1)
			report_fputs("none");
		else
			report_print("active%lld",
			    static_cast<long long>(v.number));
		break;
	default:
		print_value(r, shape::number, x.in, v);
	}
}

bool print_line(const readings &r, label_text name, const line &x,
    const value &v)
{
	if (!v.known && !x.always)
		return false;
	if (x.label[0] != '\0')
		name.add(" ").add(x.label);
	print_label(name.add(":").s);
	if (!v.known) {
		report_puts("unknown");
		return true;
	}
	print_shown(r, x, v);
	if (x.as == shown::celsius)
		report_print("\t\t\t\t%c", temp_unit_char());
	if (x.unit != nullptr)
		report_print("\t\t\t\t%s", x.unit);
	report_putc('\n');
	return true;
}

namespace {

// Whether -x shows the row, where only is its part if given.
bool shows(const row &w, const part *only)
{
	return w.x.as != shown::none &&
	    (only == nullptr || w.in_metrics == *only);
}

} // namespace

void print_rows(const readings &r, const entity_table &t, const void *e,
    const part *only)
{
	label_text name;

	t.name(e, &name);
	for (int always = 1; always >= 0; always--)
		for (const row &w : t.rows)
			if (shows(w, only) && w.x.always == always)
				print_line(r, name, w.x, w.get(e, r));
}

bool any_row_line(const readings &r, const entity_table &t, const void *e,
    const part *only)
{
	for (const row &w : t.rows)
		if (shows(w, only) && w.get(e, r).known)
			return true;
	return false;
}
