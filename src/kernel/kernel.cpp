// SPDX-License-Identifier: BSD-2-Clause
#include <err.h>
#include <errno.h>
#include <stdarg.h>
#include <stdio.h>

#include "kernel.h"
#include "platform/platform.h"

// The numeric identifier of the CPU count: {CTL_HW, HW_NCPU}.
static const int cpu_count_mib[2] = {6, 3};

text_ptr format_text(const char *format, ...)
{
	char *text;
	va_list ap;

	va_start(ap, format);
	int length = vasprintf(&text, format, ap);
	va_end(ap);
	if (length < 0)
		err(12, "asprintf");
	return text_ptr(text);
}

int sysctl_get_int(const char *name)
{
	int value;

	return sysctl_read_int(name, &value) ? value : -1;
}

bool sysctl_read_int(const char *name, int *value)
{
	int read;
	size_t length = sizeof read;

	if (os_sysctlbyname(name, &read, &length, nullptr, 0) < 0)
		return false;
	*value = read;
	return true;
}

int sysctl_read_ints(const char *name, int *values, int count)
{
	size_t length = static_cast<size_t>(count) * sizeof *values;

	if (os_sysctlbyname(name, values, &length, nullptr, 0) < 0)
		return -1;
	return static_cast<int>(length / sizeof *values);
}

bool sysctl_exists(const char *name)
{
	return os_sysctlbyname(name, nullptr, nullptr, nullptr, 0) >= 0;
}

bool battery_subtree_present()
{
	// A stale EISDIR from an earlier call must not count as the answer.
	errno = 0;
	(void)os_sysctlbyname("hw.acpi.battery", nullptr, nullptr, nullptr, 0);
	return errno == EISDIR;
}

bool read_cpu_count(int *count)
{
	int read;
	size_t length = sizeof read;

	if (os_sysctl(cpu_count_mib, 2, &read, &length, nullptr, 0) < 0)
		return false;
	*count = read;
	return true;
}
