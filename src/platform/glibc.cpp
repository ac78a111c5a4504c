// SPDX-License-Identifier: BSD-2-Clause
// What the BSD C library has and glibc lacks or does differently.  Shared
// by the Linux build and the simulator.

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "platform.h"

// glibc's err(3) and warn(3) print program_invocation_short_name, so the
// program name is kept there.  Like the BSD call, only the last component
// of the path is kept.
extern "C" void setprogname(const char *name)
{
	const char *slash = strrchr(name, '/');
	program_invocation_short_name =
	    const_cast<char *>(slash ? slash + 1 : name);
}

extern "C" const char *getprogname(void)
{
	return program_invocation_short_name;
}

// Linux ends the process for every signal whose default POSIX leaves to
// the system: SIGIO, SIGPWR, SIGSTKFLT, SIGSYS and the real-time signals.
bool os_signal_ignored_by_default(int)
{
	return false;
}

// glibc's getopt permutes the arguments unless the option string begins
// with '+'; with it, option processing stops at the first non-option.  Its
// messages name argv[0] whole, so argv[0] is made the program name first,
// as the BSD getopt says it.
int os_getopt(int argc, char *const argv[], const char *optstring)
{
	static char in_order[64];

	if (snprintf(in_order, sizeof in_order, "+%s", optstring) >=
	    static_cast<int>(sizeof in_order)) {
		errno = EINVAL;
		return -1;
	}
	if (argc > 0)
		const_cast<char **>(argv)[0] = program_invocation_short_name;
	return getopt(argc, argv, in_order);
}
