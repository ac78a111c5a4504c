// SPDX-License-Identifier: BSD-2-Clause
// Linux: the system calls of the program itself that are not posix.cpp's.
// The readings come from sysfs, through the Linux reader.

#include <sys/resource.h>

#include "platform.h"

// prlimit(2) on the process itself: musl's setrlimit stops every thread to
// set the limit in each, machinery that a single-threaded program need not
// carry.
int os_set_open_files_limit(const struct rlimit *limit)
{
	return prlimit(0, RLIMIT_NOFILE, limit, nullptr);
}
