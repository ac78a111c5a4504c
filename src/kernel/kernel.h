// SPDX-License-Identifier: BSD-2-Clause
// Reading the kernel's variable tree: 32-bit integers by dotted name, the
// battery subtree, and the CPU count by numeric identifier.
#pragma once

#include <memory>
#include <stdlib.h>

struct free_text {
	void operator()(char *text) const { free(text); }
};

// A composed text, released when it goes out of scope.
using text_ptr = std::unique_ptr<char, free_text>;

// Formats a text with asprintf(3); stops the process with status 12 when it
// cannot be allocated.
text_ptr format_text(const char *format, ...)
    __attribute__((format(printf, 1, 2)));

// Reads the variable; -1 when the read fails (indistinguishable from a
// variable holding -1).
int sysctl_get_int(const char *name);

// Reads the variable; false when the read fails, *value untouched then.
bool sysctl_read_int(const char *name, int *value);

// Reads up to count ints of an array variable; how many it read, or -1
// when the read fails.
int sysctl_read_ints(const char *name, int *values, int count);

// Whether the name exists.
bool sysctl_exists(const char *name);

// Whether the kernel has the ACPI battery subtree: probing it as a leaf
// leaves EISDIR, the answer for an interior node.
bool battery_subtree_present();

// The number of CPUs; false when it cannot be read.
bool read_cpu_count(int *count);

// A variable's numeric identifier, as the walk finds it: up to
// CTL_MAXNAME numbers.
constexpr unsigned max_oid_length = 24;

struct sysctl_oid {
	int number[max_oid_length];
	unsigned length;
};

// Whether the first length numbers of oid and of other are the same.
bool oid_prefix_equal(const sysctl_oid &oid, const sysctl_oid &other,
    unsigned length);

// Reads up to count ints of the variable by its identifier; how many it
// read, or -1 when the read fails.
int sysctl_read_oid(const sysctl_oid &oid, int *values, int count);

using sysctl_each_fn = void (*)(const char *name, const sysctl_oid &oid,
    const char *format, void *context);

// Calls each(name, oid, format, context) for every variable below the
// prefix ("dev"), in the kernel's order, as sysctl -a walks them: with the
// kernel's queries for the next variable, its name and its format.  Names
// and formats of any length are given whole; a variable whose name or
// format cannot be read is passed over, and the walk ends where the next
// identifier is outside the prefix's subtree.
void sysctl_walk(const char *prefix, sysctl_each_fn each, void *context);
