// SPDX-License-Identifier: BSD-2-Clause
// Linux: the few system calls of the program itself.  The readings come
// from sysfs, through the Linux reader.

#include <sys/resource.h>

#include <time.h>
#include <unistd.h>

#include "platform.h"

void os_start(int *, char ***)
{
}

int os_clock_gettime_monotonic(struct timespec *now)
{
	return clock_gettime(CLOCK_MONOTONIC, now);
}

int os_nanosleep(const struct timespec *pause)
{
	return nanosleep(pause, nullptr);
}

unsigned os_sleep(unsigned seconds)
{
	return sleep(seconds);
}

int os_get_open_files_limit(struct rlimit *limit)
{
	return getrlimit(RLIMIT_NOFILE, limit);
}

// prlimit(2) on the process itself: musl's setrlimit stops every thread to
// set the limit in each, machinery that a single-threaded program need not
// carry.
int os_set_open_files_limit(const struct rlimit *limit)
{
	return prlimit(0, RLIMIT_NOFILE, limit, nullptr);
}
