// SPDX-License-Identifier: BSD-2-Clause
#include <stdio.h>

#include "battery.h"
#include "flags/flags.h"
#include "format/print.h"

namespace {

// A value line in milli-units, or its label followed by "unknown".
void print_measure(const char *label, const source_units &source,
    sensor_value value, const char *unit)
{
	if (!value.known)
		report_print("%sunknown\n", label);
	else
		report_print("%s%lld\t\t\t\t%s\n", label,
		    in_milli(source, value.value), unit);
}

void print_text(const char *label, const char (&field)[battery_string_size])
{
	char shown[battery_string_size + 1];

	printable_string(field, shown);
	report_print("%s%s\n", label, shown);
}

void print_design(const source_units &source, const battery_unit &u)
{
	const char *capacity_unit = u.in_charge ? "mAh" : "mWh";

	print_measure("\tDesign capacity:\t\t", source, u.design_capacity,
	    capacity_unit);
	print_measure("\tLast full capacity:\t\t", source, u.last_full_capacity,
	    capacity_unit);
	report_print("\tTechnology:\t\t\t%s\n",
	    u.primary ? "primary (non-rechargeable)"
		      : "secondary (rechargeable)");
	if (!u.design_voltage.known)
		report_puts("\tDesign voltage\t\tunknown");
	else
		report_print("\tDesign voltage\t\t\t%lld\t\t\t\tmV\n",
		    in_milli(source, u.design_voltage.value));
	print_measure("\tCapacity (warn):\t\t", source, u.warn_capacity,
	    capacity_unit);
	print_measure("\tCapacity (low):\t\t\t", source, u.low_capacity,
	    capacity_unit);
	print_measure("\tLow/warn granularity:\t\t", source,
	    u.low_warn_granularity, capacity_unit);
	print_measure("\tWarn/full granularity:\t\t", source,
	    u.warn_full_granularity, capacity_unit);
	print_text("\tModel number:\t\t\t", u.model);
	print_text("\tSerial number:\t\t\t", u.serial);
	print_text("\tType:\t\t\t\t", u.type);
	print_text("\tOEM info:\t\t\t", u.oem);
}

void print_state_words(int64_t state)
{
	const char *separator = "";

	report_fputs("\tState:\t\t\t\t");
	if (state == 0)
		report_fputs("high");
	if (state & battery_critical) {
		report_print("%scritical", separator);
		separator = " ";
	}
	if (state & battery_discharging) {
		report_print("%sdischarging", separator);
		separator = " ";
	}
	if (state & battery_charging)
		report_print("%scharging", separator);
	report_putc('\n');
}

void print_charge(const source_units &source, const battery_unit &u)
{
	print_state_words(u.state.value);
	if (!u.percent.known)
		report_puts("\tRemaining capacity:\t\tunknown");
	else
		report_print("\tRemaining capacity:\t\t%lld\t\t\t\tpercent\n",
		    static_cast<long long>(u.percent.value));
	if (!u.time.known) {
		report_puts("\tRemaining time:\t\t\tunknown");
	} else {
		long long minutes = in_minutes(source, u.time.value);
		report_print("\tRemaining time:\t\t\t%lld:%02lld\n",
		    minutes / 60, minutes % 60);
	}
	print_measure("\tPresent rate:\t\t\t", source, u.rate,
	    u.in_charge ? "mA" : "mW");
}

// The block of one unit, as far as its readings went.
void print_unit(int unit, const source_units &source, const battery_unit *u)
{
	report_print("\n[battery%i]\n", unit);
	if (u == nullptr || u->stage == battery_stage::invalid_unit) {
		report_print("\tinvalid battery %i\n", unit);
		return;
	}
	if (u->stage == battery_stage::no_info) {
		report_print("\tget battery user info (%i) failed\n", unit);
		return;
	}
	if (u->stage == battery_stage::not_present) {
		report_puts("\tBattery not present");
		return;
	}
	report_puts("\tPresent:\t\t\tyes");
	if (u->stage == battery_stage::no_design) {
		report_print("\tget battery info (%i) failed\n", unit);
		return;
	}
	print_design(source, *u);
	if (u->stage == battery_stage::no_charge) {
		report_print("\tget battery user info (%i) failed\n", unit);
		return;
	}
	print_charge(source, *u);
	if (u->stage == battery_stage::no_status) {
		report_print("\tget battery status (%i) failed\n", unit);
		return;
	}
	if (u->status_state.value != battery_not_present)
		print_measure("\tVoltage:\t\t\t", source, u->voltage, "mV");
}

} // namespace

void report_battery_device(const readings &r)
{
	const battery_units &b = r.batteries;

	if (b.device == battery_device::no_support) {
		show_notice("\n[ACPI Battery (/dev/acpi)]\n"
			    "\tNo ACPI Battery support.\n",
		    report_flags);
		return;
	}
	if (b.device == battery_device::count_unknown) {
		report_puts("'hw.acpi.battery.units' returned -1, weird..");
		return;
	}
	if (b.device != battery_device::listed)
		return;
	int read = read_battery_units(b);
	for (int unit = 0; unit < b.count; unit++)
		print_unit(unit, r.source,
		    unit < read ? &b.unit[unit] : nullptr);
}
