// SPDX-License-Identifier: BSD-2-Clause
// FreeBSD: the battery summary from kernel variables, and each unit's
// records from the battery requests on the ACPI device, in milli-units and
// minutes.

#include <err.h>
#include <errno.h>
#include <fcntl.h>
#include <string.h>

#include "kernel/kernel.h"
#include "platform/acpi_battery.h"
#include "platform/platform.h"
#include "readings/collect.h"

namespace {

// A kernel variable, which says -1 where the kernel cannot tell, as does
// sysctl_get_int where it cannot be read; a percent, time or count says
// so with any negative number.
sensor_value kernel_value(const char *name, bool negative_unknown)
{
	int value = sysctl_get_int(name);
	return {negative_unknown ? value >= 0 : value != -1, value};
}

// One request through the section's argument buffer, whose first int alone
// is set before each request.
bool request(int fd, unsigned long code, int unit, acpi_battery_ioctl_arg *arg)
{
	arg->unit = unit;
	return os_ioctl(fd, code, arg) != -1;
}

// A record field as the signed number it stands for; all ones, -1, is
// the kernel's "unknown".
sensor_value field(uint32_t value)
{
	return {value != 0xffffffffU, static_cast<int32_t>(value)};
}

void copy_string(char (&to)[battery_string_size],
    const char (&from)[ACPI_CMBAT_MAXSTRLEN])
{
	static_assert(sizeof to == sizeof from);
	memcpy(to, from, sizeof to);
}

void take_design(battery_unit *u, const acpi_bif &bif)
{
	u->in_charge = bif.units != 0;
	u->primary = bif.btech == 0;
	u->design_capacity = field(bif.dcap);
	u->last_full_capacity = field(bif.lfcap);
	u->design_voltage = field(bif.dvol);
	u->warn_capacity = field(bif.wcap);
	u->low_capacity = field(bif.lcap);
	u->low_warn_granularity = field(bif.gra1);
	u->warn_full_granularity = field(bif.gra2);
	copy_string(u->model, bif.model);
	copy_string(u->serial, bif.serial);
	copy_string(u->type, bif.type);
	copy_string(u->oem, bif.oeminfo);
}

// The charge cycles from the extended information, which older kernels
// cannot give (the request fails), and which a record made from the plain
// information (revision 0xffff), or firmware that does not count (0 or all
// ones), leaves unknown.
sensor_value read_cycles(int fd, int unit, acpi_battery_ioctl_arg *arg)
{
	if (!request(fd, ACPIIO_BATT_GET_BIX, unit, arg) ||
	    !ACPI_BIX_REV_MIN_CHECK(arg->bix.rev, 0) || arg->bix.cycles == 0)
		return {};
	return {arg->bix.cycles != 0xffffffffU, arg->bix.cycles};
}

// The four requests for one unit: the summary, the information, the
// summary again and the status, each only when the one before succeeded.
void read_unit(int fd, int unit, acpi_battery_ioctl_arg *arg, battery_unit *u)
{
	*u = battery_unit{};
	u->stage = battery_stage::invalid_unit;
	if (unit > max_battery_unit)
		return;
	u->stage = battery_stage::no_info;
	if (!request(fd, ACPIIO_BATT_GET_BATTINFO, unit, arg))
		return;
	u->stage = battery_stage::not_present;
	if (arg->battinfo.state == BATT_STAT_NOT_PRESENT)
		return;
	u->stage = battery_stage::no_design;
	if (!request(fd, ACPIIO_BATT_GET_BIF, unit, arg))
		return;
	take_design(u, arg->bif);
	u->stage = battery_stage::no_charge;
	if (!request(fd, ACPIIO_BATT_GET_BATTINFO, unit, arg))
		return;
	// The state word has no value for unknown; a time is unknown where it
	// is negative.
	u->state = {true, arg->battinfo.state};
	u->percent = field(static_cast<uint32_t>(arg->battinfo.cap));
	u->time = {arg->battinfo.min >= 0, arg->battinfo.min};
	u->rate = field(static_cast<uint32_t>(arg->battinfo.rate));
	u->stage = battery_stage::no_status;
	if (!request(fd, ACPIIO_BATT_GET_BST, unit, arg))
		return;
	u->status_state = {true, static_cast<int32_t>(arg->bst.state)};
	u->status_rate = field(arg->bst.rate);
	u->voltage = field(arg->bst.volt);
	u->remaining_capacity = field(arg->bst.cap);
	u->stage = battery_stage::complete;
}

void read_units(int fd, battery_units *b, bool extended)
{
	// One buffer for every request of the section.
	acpi_battery_ioctl_arg arg;

	if (!battery_subtree_present()) {
		b->device = battery_device::no_support;
		return;
	}
	int count = sysctl_get_int("hw.acpi.battery.units");
	if (count < 0) {
		b->device = battery_device::count_unknown;
		return;
	}
	b->count = count;
	b->device = battery_device::listed;
	for (int unit = 0; unit < read_battery_units(*b); unit++) {
		battery_unit *u = &b->unit[unit];
		read_unit(fd, unit, &arg, u);
		// Asked last, so that the other requests go as they always do;
		// and only with the design data, which the cycles belong to in
		// every output.
		if (extended && u->stage >= battery_stage::no_charge)
			u->cycles = read_cycles(fd, unit, &arg);
	}
}

} // namespace

void collect_summary(readings *r)
{
	battery_summary &s = r->summary;

	s = battery_summary{};
	if (!battery_subtree_present())
		return;
	s.supported = true;
	s.life = kernel_value("hw.acpi.battery.life", true);
	s.time = kernel_value("hw.acpi.battery.time", true);
	// Read whatever the time says, so that the metrics have the AC line
	// too; the report shows it only when there is no time estimate.
	s.acline = kernel_value("hw.acpi.acline", false);
	s.state = kernel_value("hw.acpi.battery.state", false);
	s.units = kernel_value("hw.acpi.battery.units", true);
}

// Why the device could not be opened, for require_battery_device.
static int open_errno;

void collect_battery_units(readings *r, bool device_required)
{
	battery_units &b = r->batteries;

	b.device = battery_device::not_opened;
	b.count = 0;
	int fd = os_open_acpi(O_RDWR);
	if (fd == -1)
		fd = os_open_acpi(O_RDONLY);
	if (fd == -1) {
		open_errno = errno;
		if (device_required)
			require_battery_device(*r);
		return;
	}
	read_units(fd, &b, r->extended);
	os_close(fd);
}

void require_battery_device(const readings &r)
{
	if (r.batteries.device == battery_device::not_opened) {
		errno = open_errno;
		err(72, "%s", ACPI_DEVICE_PATH);
	}
}
