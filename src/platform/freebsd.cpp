// SPDX-License-Identifier: BSD-2-Clause
// FreeBSD: the system's own calls, unchanged.

#include <sys/types.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/sysctl.h>

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <unistd.h>

#include "platform.h"

// The kernel code asks for the CPU count as {6, 3} and takes EISDIR for an
// interior node; make sure this system agrees.
static_assert(CTL_HW == 6 && HW_NCPU == 3);
static_assert(EISDIR == 21);
// The tree walk asks for identifiers of up to 24 numbers.
static_assert(CTL_MAXNAME == 24);

int os_getopt(int argc, char *const argv[], const char *optstring)
{
	return getopt(argc, argv, optstring);
}

int os_sysctlbyname(const char *name, void *oldp, size_t *oldlenp,
    const void *newp, size_t newlen)
{
	return sysctlbyname(name, oldp, oldlenp, newp, newlen);
}

int os_sysctl(const int *name, unsigned namelen, void *oldp, size_t *oldlenp,
    const void *newp, size_t newlen)
{
	return sysctl(name, namelen, oldp, oldlenp, newp, newlen);
}

int os_open_acpi(int oflags)
{
	return open(ACPI_DEVICE_PATH, oflags);
}

int os_open_cpuctl(int cpu, int oflags)
{
	char path[32];

	snprintf(path, sizeof path, "/dev/cpuctl%d", cpu);
	return open(path, oflags);
}

int os_ioctl(int fd, unsigned long request, void *arg)
{
	return ioctl(fd, request, arg);
}

int os_close(int fd)
{
	return close(fd);
}

int os_set_open_files_limit(const struct rlimit *limit)
{
	return setrlimit(RLIMIT_NOFILE, limit);
}

// FreeBSD ignores SIGIO and SIGINFO by default; SIGTHR, SIGLIBRT and the
// real-time signals end the process.
bool os_signal_ignored_by_default(int sig)
{
	return sig == SIGIO || sig == SIGINFO;
}
