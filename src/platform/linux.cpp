// SPDX-License-Identifier: BSD-2-Clause
// Linux: the few system calls of the program itself.  The readings come
// from sysfs, through the Linux reader.

#include <unistd.h>

#include "platform.h"

void os_start(int *, char ***)
{
}

unsigned os_sleep(unsigned seconds)
{
	return sleep(seconds);
}
