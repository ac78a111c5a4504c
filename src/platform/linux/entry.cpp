// Linux: the kernel variables and the battery requests that the report
// asks for, answered from sysfs.  What one report reads is kept until the
// sleep before the next, so that each file is read at most once a report.

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include "cpu_temp.h"
#include "linux_layer.h"
#include "platform/platform.h"
#include "platform/sysctl_value.h"
#include "power_supply.h"
#include "supply_list.h"
#include "sysfs_read.h"

namespace {

// Opening the device opens this directory; it stands for /dev/acpi.
const char power_supply_dir[] = "class/power_supply";
int device_fd = -1;

enum class answer { missing, node, value };

// name is prefix, a decimal number without sign or leading zero, suffix.
bool indexed_name(const char *name, const char *prefix, const char *suffix,
    int *index)
{
	size_t skip = strlen(prefix);
	char digits[16];

	if (strncmp(name, prefix, skip) != 0)
		return false;
	const char *rest = strchr(name + skip, '.');
	if (rest == nullptr || strcmp(rest, suffix) != 0 ||
	    static_cast<size_t>(rest - name) - skip >= sizeof digits)
		return false;
	size_t length = static_cast<size_t>(rest - name) - skip;
	memcpy(digits, name + skip, length);
	digits[length] = '\0';
	return sysfs_name_number(digits, "", index);
}

answer value_if(bool known)
{
	return known ? answer::value : answer::missing;
}

answer battery_variable(const char *name, int32_t *value)
{
	if (linux_battery_count() == 0)
		return answer::missing;
	if (strcmp(name, "hw.acpi.battery") == 0)
		return answer::node;
	if (strcmp(name, "hw.acpi.battery.units") == 0)
		*value = linux_battery_count();
	else if (strcmp(name, "hw.acpi.battery.life") == 0)
		return value_if(linux_battery_life(value));
	else if (strcmp(name, "hw.acpi.battery.time") == 0)
		*value = linux_battery_time();
	else if (strcmp(name, "hw.acpi.battery.state") == 0)
		*value = linux_battery_state();
	else
		return answer::missing;
	return answer::value;
}

answer look_up(const char *name, int32_t *value)
{
	int index;

	if (indexed_name(name, "dev.cpu.", ".temperature", &index))
		return value_if(linux_cpu_temperature(index, value));
	if (indexed_name(name, "hw.acpi.thermal.tz", ".temperature", &index))
		return value_if(linux_zone_temperature(index, value));
	if (strcmp(name, "hw.acpi.acline") == 0)
		return value_if(linux_ac_online(value));
	if (strncmp(name, "hw.acpi.battery", strlen("hw.acpi.battery")) == 0)
		return battery_variable(name, value);
	return answer::missing;
}

void forget_readings()
{
	linux_forget_temperatures();
	forget_power_supplies();
}

} // namespace

void linux_use_sysfs_root(const char *path)
{
	sysfs_set_root(path);
	forget_readings();
}

void os_start(int *, char ***)
{
}

int os_sysctlbyname(const char *name, void *oldp, size_t *oldlenp,
    const void *newp, size_t)
{
	int32_t value = 0;

	if (newp != nullptr) {
		errno = EPERM;
		return -1;
	}
	switch (look_up(name, &value)) {
	case answer::missing:
		errno = ENOENT;
		return -1;
	case answer::node:
		errno = EISDIR;
		return -1;
	case answer::value:
		break;
	}
	return sysctl_copy_out(value, oldp, oldlenp);
}

// Only the CPU count, {CTL_HW, HW_NCPU}, is known.
int os_sysctl(const int *name, unsigned namelen, void *oldp, size_t *oldlenp,
    const void *newp, size_t)
{
	int count;

	if (newp != nullptr) {
		errno = EPERM;
		return -1;
	}
	if (namelen != 2 || name[0] != 6 || name[1] != 3 ||
	    !linux_cpu_count(&count)) {
		errno = ENOENT;
		return -1;
	}
	return sysctl_copy_out(count, oldp, oldlenp);
}

// The battery records are read, never written: the device opens read-only,
// as a directory does.
int os_open_acpi(int oflags)
{
	if ((oflags & O_ACCMODE) != O_RDONLY) {
		errno = EISDIR;
		return -1;
	}
	int fd = sysfs_open_dir(power_supply_dir);
	if (fd >= 0)
		device_fd = fd;
	return fd;
}

int os_ioctl(int fd, unsigned long request, void *arg)
{
	auto *record = static_cast<acpi_battery_ioctl_arg *>(arg);
	bool answered;

	if (fd < 0 || fd != device_fd) {
		errno = EBADF;
		return -1;
	}
	if (request == ACPIIO_BATT_GET_BATTINFO)
		answered =
		    linux_battery_battinfo(record->unit, &record->battinfo);
	else if (request == ACPIIO_BATT_GET_BIF)
		answered = linux_battery_bif(record->unit, &record->bif);
	else if (request == ACPIIO_BATT_GET_BST)
		answered = linux_battery_bst(record->unit, &record->bst);
	else {
		errno = ENOTTY;
		return -1;
	}
	if (!answered) {
		errno = ENXIO;
		return -1;
	}
	return 0;
}

int os_close(int fd)
{
	if (fd == device_fd)
		device_fd = -1;
	return close(fd);
}

// The sleep between reports is where what was read goes stale.
unsigned os_sleep(unsigned seconds)
{
	forget_readings();
	return sleep(seconds);
}
