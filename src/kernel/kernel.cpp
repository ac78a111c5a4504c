// SPDX-License-Identifier: BSD-2-Clause
#include <err.h>
#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

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

namespace {

// The kernel's own queries on its variable tree: {0, q, identifier...}.
constexpr int query_name = 1;
constexpr int query_next = 2;
constexpr int query_name_to_oid = 3;
constexpr int query_format = 4;
constexpr size_t max_oid = 24; // CTL_MAXNAME

// The identifier's name or format, after the query's two numbers.
bool ask(int query, const int *oid, size_t length, char *answer, size_t size)
{
	int mib[max_oid + 2] = {0, query};
	size_t answered = size - 1;

	memcpy(mib + 2, oid, length * sizeof *oid);
	if (os_sysctl(mib, static_cast<unsigned>(length + 2), answer, &answered,
		nullptr, 0) < 0)
		return false;
	answer[answered] = '\0';
	return true;
}

} // namespace

void sysctl_walk(const char *prefix, sysctl_each_fn each, void *context)
{
	int mib[max_oid + 2] = {0, query_name_to_oid};
	int oid[max_oid];
	size_t length = sizeof oid;
	size_t prefix_length = strlen(prefix);

	if (os_sysctl(mib, 2, oid, &length, prefix, prefix_length) < 0)
		return;
	length /= sizeof *oid;
	for (;;) {
		int next[max_oid];
		size_t next_length = sizeof next;
		mib[1] = query_next;
		memcpy(mib + 2, oid, length * sizeof *oid);
		if (os_sysctl(mib, static_cast<unsigned>(length + 2), next,
			&next_length, nullptr, 0) < 0)
			return;
		length = next_length / sizeof *next;
		memcpy(oid, next, next_length);
		char name[256], format[64];
		if (!ask(query_name, oid, length, name, sizeof name))
			return;
		// Past the prefix's subtree: the walk is over.
		if (strncmp(name, prefix, prefix_length) != 0 ||
		    name[prefix_length] != '.')
			return;
		// The format follows the kind, an unsigned int.
		char answer[sizeof(unsigned) + sizeof format];
		if (!ask(query_format, oid, length, answer, sizeof answer))
			continue;
		snprintf(format, sizeof format, "%s",
		    answer + sizeof(unsigned));
		each(name, format, context);
	}
}
