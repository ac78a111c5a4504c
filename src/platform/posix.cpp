// SPDX-License-Identifier: BSD-2-Clause
// The calls that FreeBSD and Linux make alike, for the program itself:
// the clock, sleeping and the limit of open files.  The simulator has its
// own.

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
