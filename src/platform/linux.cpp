// Linux: no kernel variable tree and no ACPI battery device.  The CPU count
// comes from the C library; every named variable is missing, so the report
// shows what it shows on a FreeBSD machine without the drivers.

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include "platform.h"

void os_start(int *, char ***)
{
}

int os_sysctlbyname(const char *, void *, size_t *, const void *newp, size_t)
{
	errno = newp ? EPERM : ENOENT;
	return -1;
}

// Only the CPU count, {CTL_HW, HW_NCPU}, is known.
int os_sysctl(const int *name, unsigned namelen, void *oldp, size_t *oldlenp,
    const void *newp, size_t)
{
	if (newp) {
		errno = EPERM;
		return -1;
	}
	if (namelen != 2 || name[0] != 6 || name[1] != 3) {
		errno = ENOENT;
		return -1;
	}
	long configured = sysconf(_SC_NPROCESSORS_CONF);
	if (configured < 1 || configured > 0x7fffffff) {
		errno = EOPNOTSUPP;
		return -1;
	}
	int count = static_cast<int>(configured);
	if (oldp == nullptr || oldlenp == nullptr || *oldlenp < sizeof count) {
		errno = ENOMEM;
		return -1;
	}
	memcpy(oldp, &count, sizeof count);
	*oldlenp = sizeof count;
	return 0;
}

// There is no ACPI device node; /dev/null stands in for it, so that the
// device is opened and closed as on FreeBSD while every request fails.
int os_open_acpi(int oflags)
{
	return open("/dev/null", oflags);
}

int os_ioctl(int, unsigned long, void *)
{
	errno = ENOTTY;
	return -1;
}

int os_close(int fd)
{
	return close(fd);
}

unsigned os_sleep(unsigned seconds)
{
	return sleep(seconds);
}
