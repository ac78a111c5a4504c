#include <stdio.h>

#include "battery/battery_readings.h"
#include "kernel/kernel.h"
#include "metrics.h"
#include "temperature/temperature.h"

namespace {

// A metric family: its HELP and TYPE lines go out before its first sample,
// so that a family without samples writes nothing.
struct family {
	const char *name;
	const char *help;
	bool started;
};

void begin_sample(family *f)
{
	if (!f->started) {
		printf("# HELP %s %s\n# TYPE %s gauge\n", f->name, f->help,
		    f->name);
		f->started = true;
	}
	fputs(f->name, stdout);
}

// value / divisor exactly, with no trailing zeros: 45123 / 1000 is 45.123.
void print_value(long long value, int divisor)
{
	const char *sign = value < 0 ? "-" : "";
	unsigned long long magnitude = value < 0
	    ? 0ULL - static_cast<unsigned long long>(value)
	    : static_cast<unsigned long long>(value);
	unsigned long long whole = magnitude / static_cast<unsigned>(divisor);
	unsigned long long part = magnitude % static_cast<unsigned>(divisor);
	int digits = 0;

	for (int d = divisor; d > 1; d /= 10)
		digits++;
	while (part != 0 && part % 10 == 0) {
		part /= 10;
		digits--;
	}
	if (part == 0)
		printf(" %s%llu\n", sign, whole);
	else
		printf(" %s%llu.%0*llu\n", sign, whole, digits, part);
}

void sample(family *f, long long value, int divisor = 1)
{
	begin_sample(f);
	print_value(value, divisor);
}

void unit_sample(family *f, int unit, long long value, int divisor = 1)
{
	begin_sample(f);
	printf("{unit=\"%d\"}", unit);
	print_value(value, divisor);
}

void temperatures()
{
	family cpus = {"pelko_cpus", "Number of CPUs.", false};
	family cpu = {"pelko_cpu_temperature_celsius",
	    "Temperature of the CPU's core, to a tenth of a degree.", false};
	family zone = {"pelko_thermal_zone_temperature_celsius",
	    "Temperature of the ACPI thermal zone, to a tenth of a degree.",
	    false};
	int count;
	int raw;

	if (read_cpu_count(&count)) {
		sample(&cpus, count);
		for (int n = 0; n < count; n++) {
			if (!cpu_temperature(n, &raw))
				continue;
			begin_sample(&cpu);
			printf("{cpu=\"%d\"} %.1f\n", n, convert_temp(raw));
		}
	}
	for (int n = 0; zone_temperature(n, &raw); n++) {
		begin_sample(&zone);
		printf("{zone=\"tz%d\"} %.1f\n", n, convert_temp(raw));
	}
}

void summary()
{
	family ac = {"pelko_ac_online", "Whether the machine runs on AC power.",
	    false};
	family units = {"pelko_batteries", "Number of battery units.", false};
	family ratio = {"pelko_battery_total_remaining_ratio",
	    "Remaining capacity of all batteries together, from 0 to 1.",
	    false};
	family time = {"pelko_battery_total_time_remaining_seconds",
	    "Time left on all batteries together.", false};
	battery_summary s;

	if (!read_battery_summary(&s))
		return;
	if (s.acline != -1)
		sample(&ac, s.acline != 0);
	if (s.units >= 0)
		sample(&units, s.units);
	if (s.life >= 0)
		sample(&ratio, s.life, 100);
	if (s.time >= 0)
		sample(&time, s.time * 60LL);
}

// A record string as a label value: control bytes as '?', then the
// format's escapes for backslash and double quote.
void print_label(const char *name, const char (&field)[ACPI_CMBAT_MAXSTRLEN])
{
	char shown[ACPI_CMBAT_MAXSTRLEN + 1];

	printable_string(field, shown);
	printf(",%s=\"", name);
	for (const char *p = shown; *p != '\0'; p++) {
		if (*p == '\\' || *p == '"')
			putchar('\\');
		putchar(*p);
	}
	putchar('"');
}

void info_sample(family *f, int unit, const acpi_bif &design)
{
	begin_sample(f);
	printf("{unit=\"%d\"", unit);
	print_label("model", design.model);
	print_label("serial", design.serial);
	print_label("type", design.type);
	print_label("oem", design.oeminfo);
	printf(",technology=\"%s\"} 1\n",
	    design.btech == 0 ? "primary" : "secondary");
}

// A family with one sample per battery unit.
struct unit_metric {
	const char *name;	 // for energy units, or whatever the units
	const char *charge_name; // for charge units; nullptr: one family
	const char *help;
	battery_stage needs; // the unit's requests went at least this far
	int divisor;
	// The value, false when it is not known.
	bool (*value)(const battery_unit &u, long long *value);
};

bool known(int field, long long *value)
{
	*value = field;
	return field != -1;
}

bool bit(int state, int mask, long long *value)
{
	*value = (state & mask) != 0;
	return true;
}

const unit_metric unit_metrics[] = {
    {"pelko_battery_present", nullptr, "Whether the battery is present.",
	battery_stage::not_present, 1,
	[](const battery_unit &u, long long *v) {
		*v = u.stage != battery_stage::not_present;
		return true;
	}},
    {"pelko_battery_design_capacity_watthours",
	"pelko_battery_design_capacity_amphours",
	"Design capacity of the battery.", battery_stage::no_charge, 1000,
	[](const battery_unit &u, long long *v) {
		return known(as_signed(u.design.dcap), v);
	}},
    {"pelko_battery_last_full_capacity_watthours",
	"pelko_battery_last_full_capacity_amphours",
	"Capacity of the battery when it was last full.",
	battery_stage::no_charge, 1000,
	[](const battery_unit &u, long long *v) {
		return known(as_signed(u.design.lfcap), v);
	}},
    {"pelko_battery_design_voltage_volts", nullptr,
	"Design voltage of the battery.", battery_stage::no_charge, 1000,
	[](const battery_unit &u, long long *v) {
		return known(as_signed(u.design.dvol), v);
	}},
    {"pelko_battery_remaining_ratio", nullptr,
	"Remaining capacity of the battery, from 0 to 1.",
	battery_stage::no_status, 100,
	[](const battery_unit &u, long long *v) {
		return known(u.charge.cap, v);
	}},
    {"pelko_battery_time_remaining_seconds", nullptr,
	"Time left on the battery.", battery_stage::no_status, 1,
	[](const battery_unit &u, long long *v) {
		*v = u.charge.min * 60LL;
		return u.charge.min >= 0;
	}},
    {"pelko_battery_rate_watts", "pelko_battery_rate_amperes",
	"Present charge or discharge rate of the battery.",
	battery_stage::no_status, 1000,
	[](const battery_unit &u, long long *v) {
		return known(u.charge.rate, v);
	}},
    {"pelko_battery_voltage_volts", nullptr, "Present voltage of the battery.",
	battery_stage::complete, 1000,
	[](const battery_unit &u, long long *v) {
		return as_signed(u.status.state) != BATT_STAT_NOT_PRESENT &&
		    known(as_signed(u.status.volt), v);
	}},
    {"pelko_battery_charging", nullptr, "Whether the battery is charging.",
	battery_stage::no_status, 1,
	[](const battery_unit &u, long long *v) {
		return bit(u.charge.state, BATT_STAT_CHARGING, v);
	}},
    {"pelko_battery_discharging", nullptr,
	"Whether the battery is discharging.", battery_stage::no_status, 1,
	[](const battery_unit &u, long long *v) {
		return bit(u.charge.state, BATT_STAT_DISCHARGING, v);
	}},
    {"pelko_battery_critical", nullptr,
	"Whether the battery is critically low.", battery_stage::no_status, 1,
	[](const battery_unit &u, long long *v) {
		return bit(u.charge.state, BATT_STAT_CRITICAL, v);
	}},
};

// The samples of one family, unit by unit; a two-named family takes the
// units whose records are in its kind.
void write_unit_family(const unit_metric &m, bool in_charge,
    const battery_unit *units, int count)
{
	family f = {in_charge ? m.charge_name : m.name, m.help, false};

	for (int unit = 0; unit < count; unit++) {
		const battery_unit &u = units[unit];
		long long value;
		if (u.stage < m.needs ||
		    (m.charge_name != nullptr &&
			(u.design.units != 0) != in_charge) ||
		    !m.value(u, &value))
			continue;
		unit_sample(&f, unit, value, m.divisor);
	}
}

// The batteries' records are all read before any is written: the format
// wants each family's samples together.
void batteries()
{
	static battery_unit units[max_battery_unit + 1];
	acpi_battery_ioctl_arg arg;
	int count = 0;

	open_battery_device();
	if (read_battery_count(&count)) {
		// Units past the highest are not asked about: they have nothing
		// to show.
		if (count > max_battery_unit + 1)
			count = max_battery_unit + 1;
		for (int unit = 0; unit < count; unit++)
			read_battery_unit(unit, &arg, &units[unit]);
	}
	close_battery_device();

	family info = {"pelko_battery_info",
	    "The battery's model, serial number, type, maker and technology.",
	    false};
	for (const unit_metric &m : unit_metrics) {
		write_unit_family(m, false, units, count);
		if (m.charge_name != nullptr)
			write_unit_family(m, true, units, count);
	}
	for (int unit = 0; unit < count; unit++)
		if (units[unit].stage >= battery_stage::no_charge)
			info_sample(&info, unit, units[unit].design);
}

} // namespace

void report_metrics()
{
	temperatures();
	summary();
	batteries();
}
