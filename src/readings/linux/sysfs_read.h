// SPDX-License-Identifier: BSD-2-Clause
// Bounded reading of sysfs: files of at most 4 KiB and whole decimal
// numbers, relative to the sysfs root.  The listing of folders
// (sysfs_list.h) stands above it.
#pragma once

#include <string.h>

#include <cstddef>
#include <cstdint>

#include "kept_files.h"
#include "lists/grow_list.h"

// The largest file read; a file that fills it counts as unreadable, since
// no value pelko reads is that long.
constexpr size_t sysfs_max_file = 4096;

// A file that a reader reads at every report: where it is kept, so that
// the next read goes straight to its descriptor, with neither its path
// formatted nor looked up.  Zero-initialised, it has none yet.  The
// functions below that take one read through it while the file is kept,
// else by the formatted path, which sets it.
struct sysfs_file {
	kept_handle kept;
};

// The formatted path, as snprintf(3) would write it, at a fraction of its
// cost: the formats of paths hold only %d and %s, and any other
// conversion fails with errno EINVAL; false, with errno ENAMETOOLONG, when
// it does not fit.
bool sysfs_path(char *path, size_t size, const char *format, ...)
    __attribute__((format(printf, 3, 4)));

// Reads the file at the formatted path into text (size bytes, at least 2),
// cut to fit, with one trailing newline removed.  False when the file is
// missing, unreadable, empty or too long.  A link as the last component
// is not followed: sysfs attributes are plain files.  The file stays open
// for the next report; without a sysfs_file (nullptr), the file is read by
// its path alone.
bool sysfs_read_text(sysfs_file *file, char *text, size_t size,
    const char *format, ...) __attribute__((format(printf, 4, 5)));

// sysfs_read_text for a file that may not be there: not looked for while
// *missing says it was found missing, which the reader clears when the
// folder that would hold it may hold it again; set when it or a folder on
// its path is not there.
bool sysfs_read_text(sysfs_file *file, bool *missing, char *text, size_t size,
    const char *format, ...) __attribute__((format(printf, 5, 6)));

// Parses a whole text as a decimal number of at most 19 digits, with an
// optional minus sign, that fits 32 bits.  Blanks, a plus sign, or
// anything after the digits fail.
bool sysfs_parse_int(const char *text, int32_t *value);

// sysfs_parse_int for a text that may have been cut to fit a buffer: a
// text of more than 11 characters is refused.
bool sysfs_parse_number(const char *text, int32_t *value);

// sysfs_read_text and sysfs_parse_number together.
bool sysfs_read_int(sysfs_file *file, int32_t *value, const char *format, ...)
    __attribute__((format(printf, 3, 4)));

// A whole decimal count from 0 to INT64_MAX at the formatted path, such as
// a counter that only grows.
bool sysfs_read_count(sysfs_file *file, int64_t *value, const char *format, ...)
    __attribute__((format(printf, 3, 4)));

// A whole decimal number from INT64_MIN + 1 to INT64_MAX, with an optional
// minus sign, such as a sensor's value.
bool sysfs_read_long(sysfs_file *file, int64_t *value, const char *format, ...)
    __attribute__((format(printf, 3, 4)));

// The last component of the target of the link at the formatted path (a
// device's name, a subsystem's); false when it is no link.
bool sysfs_link_name(char *name, size_t size, const char *format, ...)
    __attribute__((format(printf, 3, 4)));

// If name is prefix followed by a number without sign or leading zero,
// stores that number.
bool sysfs_name_number(const char *name, const char *prefix, int *number);
