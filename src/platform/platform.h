// SPDX-License-Identifier: BSD-2-Clause
// The thin layer between the program and the operating system.
//
// Every function here keeps the contract of the system call it is named
// after: the same arguments, -1 with errno set on failure.  freebsd.cpp
// implements all of it, for the program and the FreeBSD reader; the
// simulated kernel in tests/sim/ does the same on Linux, so that the tests
// run the FreeBSD reader there.  linux.cpp implements only what the
// program itself calls: the Linux reader reads sysfs directly.  The last
// two share glibc.cpp for what glibc does differently.
#pragma once

#include <cstddef>

struct rlimit;
struct timespec;

// The ACPI device the battery requests go to.
#define ACPI_DEVICE_PATH "/dev/acpi"

// The BSD C library keeps the program name for err(3) and usage lines.
// FreeBSD declares these in <stdlib.h>; the glibc layer supplies them.
extern "C" void setprogname(const char *name);
extern "C" const char *getprogname(void);

// Called first thing in main.  Nothing happens on a real system; the
// simulator loads its scenario here and drops its own argument.
void os_start(int *argc, char ***argv);

// getopt(3) that never reorders the arguments: option processing ends at
// the first argument that is not an option.
int os_getopt(int argc, char *const argv[], const char *optstring);

// sysctlbyname(3): read a kernel variable by dotted name.  With no buffers
// it only tells whether the name exists; for an interior node it fails with
// EISDIR.
int os_sysctlbyname(const char *name, void *oldp, size_t *oldlenp,
    const void *newp, size_t newlen);

// sysctl(3): read a kernel variable by numeric identifier.
int os_sysctl(const int *name, unsigned namelen, void *oldp, size_t *oldlenp,
    const void *newp, size_t newlen);

// open(2) of ACPI_DEVICE_PATH with the given flags (O_RDWR, O_RDONLY).
int os_open_acpi(int oflags);

// ioctl(2) on the ACPI device: request code and argument buffer.
int os_ioctl(int fd, unsigned long request, void *arg);

// open(2) of the CPU's cpuctl(4) device, /dev/cpuctlN, with the given
// flags; its requests (the model-specific registers, CPUID) go through
// os_ioctl.
int os_open_cpuctl(int cpu, int oflags);

// close(2).
int os_close(int fd);

// getrlimit(2) and setrlimit(2) of RLIMIT_NOFILE, the number of open
// files.
int os_get_open_files_limit(struct rlimit *limit);
int os_set_open_files_limit(const struct rlimit *limit);

// clock_gettime(2) of CLOCK_MONOTONIC, and nanosleep(2): the power
// readings' time and their pause.  The simulator's clock moves by what its
// sleeps ask, at once.
int os_clock_gettime_monotonic(struct timespec *now);
int os_nanosleep(const struct timespec *pause);

// sleep(3).
unsigned os_sleep(unsigned seconds);

// Whether this system ignores sig by default where POSIX lets each system
// choose: FreeBSD ignores SIGIO and SIGINFO, which Linux has end the
// process (SIGIO) or lacks.
bool os_signal_ignored_by_default(int sig);
