#include <err.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "battery.h"
#include "flags/flags.h"
#include "kernel/kernel.h"
#include "platform/acpi_battery.h"
#include "platform/platform.h"

// The ACPI device while the section runs; -1 otherwise.
static int acpi_fd = -1;

// The highest unit number the device is asked about.
static const int max_battery_unit = 64;

// The record fields are 32-bit patterns printed as signed numbers; -1
// means that the battery does not know the value.
static int as_signed(uint32_t field)
{
	return static_cast<int>(field);
}

// A value line, or its label followed by "unknown" for -1.
static void print_measure(const char *label, int value, const char *unit)
{
	if (value == -1)
		printf("%sunknown\n", label);
	else
		printf("%s%d\t\t\t\t%s\n", label, value, unit);
}

// The strings come from firmware, or on Linux from any device driver.  A
// control byte in them would drive the terminal, or forge the tabs and
// lines that scripts read the report by: each shows as '?'.  A field
// filled to its end has no NUL: nothing past it is read.
static void print_text(const char *label,
    const char (&field)[ACPI_CMBAT_MAXSTRLEN])
{
	char shown[sizeof field + 1];
	size_t length = strnlen(field, sizeof field);

	for (size_t i = 0; i < length; i++) {
		auto byte = static_cast<unsigned char>(field[i]);
		shown[i] = byte < 0x20 || byte == 0x7f ? '?' : field[i];
	}
	shown[length] = '\0';
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

// Sets the unit in the shared buffer and sends the request.  On success the
// buffer begins with the request's record; on failure the request's
// "failed" line is written.
static bool battery_request(unsigned long request, const char *what, int unit,
    acpi_battery_ioctl_arg *arg)
{
	arg->unit = unit;
	if (os_ioctl(acpi_fd, request, arg) != -1)
		return true;
	printf("\tget battery %s (%i) failed\n", what, unit);
	return false;
}

static void report_battery_unit(int unit, acpi_battery_ioctl_arg *arg)
{
	printf("\n[battery%i]\n", unit);
	if (unit > max_battery_unit) {
		printf("\tinvalid battery %i\n", unit);
		return;
	}
	if (!battery_request(ACPIIO_BATT_GET_BATTINFO, "user info", unit, arg))
		return;
	if (arg->battinfo.state == BATT_STAT_NOT_PRESENT) {
		puts("\tBattery not present");
		return;
	}
	puts("\tPresent:\t\t\tyes");

	if (!battery_request(ACPIIO_BATT_GET_BIF, "info", unit, arg))
		return;
	bool milliwatts = arg->bif.units == 0;
	print_design(arg->bif, milliwatts ? "mWh" : "mAh");

	if (!battery_request(ACPIIO_BATT_GET_BATTINFO, "user info", unit, arg))
		return;
	print_charge(arg->battinfo, milliwatts ? "mW" : "mA");

	if (!battery_request(ACPIIO_BATT_GET_BST, "status", unit, arg))
		return;
	if (as_signed(arg->bst.state) != BATT_STAT_NOT_PRESENT)
		print_measure("\tVoltage:\t\t\t", as_signed(arg->bst.volt),
		    "mV");
}

static void report_battery_units()
{
	// One buffer for every request of the section; each request sets only
	// its first int, the unit.
	acpi_battery_ioctl_arg arg;

	if (!battery_subtree_present()) {
		text_ptr notice = format_text(
		    "\n[ACPI Battery (%s)]\n\tNo ACPI Battery support.\n",
		    ACPI_DEVICE_PATH);
		show_notice(notice.get(), report_flags);
		return;
	}
	int count = sysctl_get_int("hw.acpi.battery.units");
	if (count < 0) {
		puts("'hw.acpi.battery.units' returned -1, weird..");
		return;
	}
	for (int unit = 0; unit < count; unit++)
		report_battery_unit(unit, &arg);
}

void report_battery_device()
{
	acpi_fd = os_open_acpi(O_RDWR);
	if (acpi_fd == -1)
		acpi_fd = os_open_acpi(O_RDONLY);
	if (acpi_fd == -1)
		err(72, "%s", ACPI_DEVICE_PATH);
	report_battery_units();
	os_close(acpi_fd);
	acpi_fd = -1;
}
