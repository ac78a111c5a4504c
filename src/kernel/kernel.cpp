// SPDX-License-Identifier: BSD-2-Clause
#include <err.h>
#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "kernel.h"
#include "lists/grow_list.h"
#include "platform/platform.h"

// The numeric identifier of the CPU count: {CTL_HW, HW_NCPU}.
static const sysctl_oid cpu_count = {{6, 3}, 2};

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
	return sysctl_read_oid(cpu_count, count, 1) == 1;
}

bool oid_prefix_equal(const sysctl_oid &oid, const sysctl_oid &other,
    unsigned length)
{
	return oid.length >= length && other.length >= length &&
	    memcmp(oid.number, other.number, length * sizeof *oid.number) == 0;
}

int sysctl_read_oid(const sysctl_oid &oid, int *values, int count)
{
	size_t length = static_cast<size_t>(count) * sizeof *values;

	if (os_sysctl(oid.number, oid.length, values, &length, nullptr, 0) < 0)
		return -1;
	return static_cast<int>(length / sizeof *values);
}

namespace {

// The kernel's own queries on its variable tree: {0, q, identifier...}.
constexpr int query_name = 1;
constexpr int query_next = 2;
constexpr int query_name_to_oid = 3;
constexpr int query_format = 4;

// An answer of any length, in a buffer that grows to hold it and is kept
// for the next one.
struct answer_buffer {
	grow_list<char> text;
	size_t length; // of the last answer, its NUL not counted
};

// The identifier's name or format, after the query's two numbers, with a
// NUL after it: into the room there is, and where that is too little, its
// length asked and the answer again, for as long as it grows.
bool ask(int query, const sysctl_oid &oid, answer_buffer *answer)
{
	int mib[max_oid_length + 2] = {0, query};
	unsigned length = oid.length + 2;
	grow_list<char> &text = answer->text;

	memcpy(mib + 2, oid.number, oid.length * sizeof *oid.number);
	text.reserve(256);
	for (int tries = 0; tries < 8; tries++) {
		size_t answered = text.capacity - 1;
		if (os_sysctl(mib, length, text.items, &answered, nullptr, 0) ==
		    0) {
			text.items[answered] = '\0';
			answer->length = answered;
			return true;
		}
		size_t needed = 0;
		if (errno != ENOMEM ||
		    os_sysctl(mib, length, nullptr, &needed, nullptr, 0) < 0)
			return false;
		text.reserve(needed + 1);
	}
	return false;
}

// Whether b comes after a in the kernel's order, which is that of the
// numbers, one after the other.
bool after(const sysctl_oid &a, const int *b, unsigned length)
{
	for (unsigned i = 0; i < a.length && i < length; i++)
		if (a.number[i] != b[i])
			return b[i] > a.number[i];
	return length > a.length;
}

// The variable after oid in the kernel's order, into oid; false at the
// end, and where the answer would not move the walk on.
bool next_oid(sysctl_oid *oid)
{
	int mib[max_oid_length + 2] = {0, query_next};
	int next[max_oid_length];
	size_t size = sizeof next;

	memcpy(mib + 2, oid->number, oid->length * sizeof *oid->number);
	if (os_sysctl(mib, oid->length + 2, next, &size, nullptr, 0) < 0)
		return false;
	auto length = static_cast<unsigned>(size / sizeof *next);
	if (length == 0 || !after(*oid, next, length))
		return false;
	oid->length = length;
	memcpy(oid->number, next, length * sizeof *next);
	return true;
}

} // namespace

void sysctl_walk(const char *prefix, sysctl_each_fn each, void *context)
{
	const int mib[2] = {0, query_name_to_oid};
	sysctl_oid top, oid;
	size_t length = sizeof top.number;
	answer_buffer name = {}, format = {};

	if (os_sysctl(mib, 2, top.number, &length, prefix, strlen(prefix)) < 0)
		return;
	top.length = static_cast<unsigned>(length / sizeof *top.number);
	oid = top;
	while (next_oid(&oid) && oid_prefix_equal(oid, top, top.length)) {
		// The format follows the kind, an unsigned int.
		if (!ask(query_name, oid, &name) ||
		    !ask(query_format, oid, &format) ||
		    format.length < sizeof(unsigned))
			continue;
		each(name.text.items, oid, format.text.items + sizeof(unsigned),
		    context);
	}
}
