#include <stdio.h>

#include "battery.h"
#include "battery_readings.h"
#include "flags/flags.h"
#include "kernel/kernel.h"
#include "platform/acpi_battery.h"
#include "platform/platform.h"

// A value line, or its label followed by "unknown" for -1.
static void print_measure(const char *label, int value, const char *unit)
{
	if (value == -1)
		printf("%sunknown\n", label);
	else
		printf("%s%d\t\t\t\t%s\n", label, value, unit);
}

static void print_text(const char *label,
    const char (&field)[ACPI_CMBAT_MAXSTRLEN])
{
	char shown[ACPI_CMBAT_MAXSTRLEN + 1];

	printable_string(field, shown);
	printf("%s%s\n", label, shown);
}

static void print_design(const acpi_bif &bif, const char *capacity_unit)
{
	print_measure("\tDesign capacity:\t\t", as_signed(bif.dcap),
	    capacity_unit);
	print_measure("\tLast full capacity:\t\t", as_signed(bif.lfcap),
	    capacity_unit);
	printf("\tTechnology:\t\t\t%s\n",
	    bif.btech == 0 ? "primary (non-rechargeable)"
			   : "secondary (rechargeable)");
	if (as_signed(bif.dvol) == -1)
		puts("\tDesign voltage\t\tunknown");
	else
		printf("\tDesign voltage\t\t\t%d\t\t\t\tmV\n",
		    as_signed(bif.dvol));
	print_measure("\tCapacity (warn):\t\t", as_signed(bif.wcap),
	    capacity_unit);
	print_measure("\tCapacity (low):\t\t\t", as_signed(bif.lcap),
	    capacity_unit);
	print_measure("\tLow/warn granularity:\t\t", as_signed(bif.gra1),
	    capacity_unit);
	print_measure("\tWarn/full granularity:\t\t", as_signed(bif.gra2),
	    capacity_unit);
	print_text("\tModel number:\t\t\t", bif.model);
	print_text("\tSerial number:\t\t\t", bif.serial);
	print_text("\tType:\t\t\t\t", bif.type);
	print_text("\tOEM info:\t\t\t", bif.oeminfo);
}

static void print_state_words(int state)
{
	const char *separator = "";

	fputs("\tState:\t\t\t\t", stdout);
	if (state == 0)
		fputs("high", stdout);
	if (state & BATT_STAT_CRITICAL) {
		printf("%scritical", separator);
		separator = " ";
	}
	if (state & BATT_STAT_DISCHARGING) {
		printf("%sdischarging", separator);
		separator = " ";
	}
	if (state & BATT_STAT_CHARGING)
		printf("%scharging", separator);
	putchar('\n');
}

static void print_charge(const acpi_battinfo &info, const char *rate_unit)
{
	print_state_words(info.state);
	print_measure("\tRemaining capacity:\t\t", info.cap, "percent");
	if (info.min < 0)
		puts("\tRemaining time:\t\t\tunknown");
	else
		printf("\tRemaining time:\t\t\t%d:%02d\n", info.min / 60,
		    info.min % 60);
	print_measure("\tPresent rate:\t\t\t", info.rate, rate_unit);
}

static void print_unit(int unit, const battery_unit &u)
{
	printf("\n[battery%i]\n", unit);
	if (u.stage == battery_stage::invalid_unit) {
		printf("\tinvalid battery %i\n", unit);
		return;
	}
	if (u.stage == battery_stage::no_info) {
		printf("\tget battery user info (%i) failed\n", unit);
		return;
	}
	if (u.stage == battery_stage::not_present) {
		puts("\tBattery not present");
		return;
	}
	puts("\tPresent:\t\t\tyes");
	if (u.stage == battery_stage::no_design) {
		printf("\tget battery info (%i) failed\n", unit);
		return;
	}
	bool milliwatts = u.design.units == 0;
	print_design(u.design, milliwatts ? "mWh" : "mAh");
	if (u.stage == battery_stage::no_charge) {
		printf("\tget battery user info (%i) failed\n", unit);
		return;
	}
	print_charge(u.charge, milliwatts ? "mW" : "mA");
	if (u.stage == battery_stage::no_status) {
		printf("\tget battery status (%i) failed\n", unit);
		return;
	}
	if (as_signed(u.status.state) != BATT_STAT_NOT_PRESENT)
		print_measure("\tVoltage:\t\t\t", as_signed(u.status.volt),
		    "mV");
}

static void report_battery_units()
{
	// One buffer for every request of the section; each request sets only
	// its first int, the unit.
	acpi_battery_ioctl_arg arg;
	int count;

	if (!read_battery_count(&count)) {
		text_ptr notice = format_text(
		    "\n[ACPI Battery (%s)]\n\tNo ACPI Battery support.\n",
		    ACPI_DEVICE_PATH);
		show_notice(notice.get(), report_flags);
		return;
	}
	if (count < 0) {
		puts("'hw.acpi.battery.units' returned -1, weird..");
		return;
	}
	for (int unit = 0; unit < count; unit++) {
		battery_unit u;
		read_battery_unit(unit, &arg, &u);
		print_unit(unit, u);
	}
}

void report_battery_device()
{
	open_battery_device();
	report_battery_units();
	close_battery_device();
}
