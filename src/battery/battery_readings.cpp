#include <err.h>
#include <fcntl.h>
#include <string.h>

#include "battery_readings.h"
#include "kernel/kernel.h"
#include "platform/platform.h"

// The ACPI device while a section runs; -1 otherwise.
static int acpi_fd = -1;

void open_battery_device()
{
	acpi_fd = os_open_acpi(O_RDWR);
	if (acpi_fd == -1)
		acpi_fd = os_open_acpi(O_RDONLY);
	if (acpi_fd == -1)
		err(72, "%s", ACPI_DEVICE_PATH);
}

void close_battery_device()
{
	os_close(acpi_fd);
	acpi_fd = -1;
}

bool read_battery_summary(battery_summary *summary)
{
	if (!battery_subtree_present())
		return false;
	summary->life = sysctl_get_int("hw.acpi.battery.life");
	summary->time = sysctl_get_int("hw.acpi.battery.time");
	// Read whatever the time says, so that the metrics have the AC line
	// too; the report shows it only when there is no time estimate.
	summary->acline = sysctl_get_int("hw.acpi.acline");
	summary->state = sysctl_get_int("hw.acpi.battery.state");
	summary->units = sysctl_get_int("hw.acpi.battery.units");
	return true;
}

bool read_battery_count(int *count)
{
	if (!battery_subtree_present())
		return false;
	*count = sysctl_get_int("hw.acpi.battery.units");
	return true;
}

static bool battery_request(unsigned long request, int unit,
    acpi_battery_ioctl_arg *arg)
{
	arg->unit = unit;
	return os_ioctl(acpi_fd, request, arg) != -1;
}

void read_battery_unit(int unit, acpi_battery_ioctl_arg *arg,
    battery_unit *into)
{
	into->stage = battery_stage::invalid_unit;
	if (unit > max_battery_unit)
		return;
	into->stage = battery_stage::no_info;
	if (!battery_request(ACPIIO_BATT_GET_BATTINFO, unit, arg))
		return;
	into->info = arg->battinfo;
	into->stage = battery_stage::not_present;
	if (into->info.state == BATT_STAT_NOT_PRESENT)
		return;
	into->stage = battery_stage::no_design;
	if (!battery_request(ACPIIO_BATT_GET_BIF, unit, arg))
		return;
	into->design = arg->bif;
	into->stage = battery_stage::no_charge;
	if (!battery_request(ACPIIO_BATT_GET_BATTINFO, unit, arg))
		return;
	into->charge = arg->battinfo;
	into->stage = battery_stage::no_status;
	if (!battery_request(ACPIIO_BATT_GET_BST, unit, arg))
		return;
	into->status = arg->bst;
	into->stage = battery_stage::complete;
}

void printable_string(const char (&field)[ACPI_CMBAT_MAXSTRLEN],
    char (&shown)[ACPI_CMBAT_MAXSTRLEN + 1])
{
	size_t length = strnlen(field, sizeof field);

	for (size_t i = 0; i < length; i++) {
		auto byte = static_cast<unsigned char>(field[i]);
		shown[i] = byte < 0x20 || byte > 0x7e ? '?' : field[i];
	}
	shown[length] = '\0';
}
