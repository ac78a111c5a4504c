// SPDX-License-Identifier: BSD-2-Clause
// Bounded reading of sysfs: files of at most 4 KiB, whole decimal numbers,
// and directory listings, all relative to the sysfs root.
#pragma once

#include <string.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "kept_files.h"
#include "readings/grow_list.h"

// The root is "/sys" unless the tests point the reader at a fixture tree.
void sysfs_set_root(const char *path);

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
// cost for %d and %s; false, with errno ENAMETOOLONG, when it does not
// fit.
bool sysfs_path(char *path, size_t size, const char *format, ...)
    __attribute__((format(printf, 3, 4)));

// Reads the file at the formatted path into text (size bytes, at least 2),
// cut to fit, with one trailing newline removed.  False when the file is
// missing, unreadable, empty or too long.  A link as the last component
// is not followed: sysfs attributes are plain files.  The file stays open
// for the next report.
bool sysfs_read_text(char *text, size_t size, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
bool sysfs_read_text(sysfs_file *file, char *text, size_t size,
    const char *format, ...) __attribute__((format(printf, 4, 5)));

// Parses a whole text as a decimal number with an optional minus sign that
// fits 32 bits.  Blanks, a plus sign, or anything after the digits fail.
bool sysfs_parse_int(const char *text, int32_t *value);

// sysfs_parse_int for a text that may have been cut to fit a buffer: a
// text of more than 11 characters is refused.
bool sysfs_parse_number(const char *text, int32_t *value);

// sysfs_read_text and sysfs_parse_number together.
bool sysfs_read_int(int32_t *value, const char *format, ...)
    __attribute__((format(printf, 2, 3)));
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

using sysfs_entry_fn = void (*)(const char *name, void *context);

// Calls each(name, context) for every entry of the directory but "." and
// "..", in the kernel's order.  False when it cannot be listed, errno
// saying why.  A report lists each folder once: asked again, it gives the
// same entries.  The folder's descriptor is kept, and the next report
// lists it by rewinding that.
bool sysfs_list_dir(const char *path, sysfs_entry_fn each, void *context);

// What a reader works out from a folder's entries, and from files that do
// not change while those stay, it keeps from one report to the next under
// a stamp: the folder's version and the count of device events.  The
// version, listed on first use in a report, is the same as in the last
// report when the folder lists the same entries in the same order through
// the descriptor held since then, or fails to list for the same reason;
// it is a number never given before when that differs, when the last
// report did not list it, when the folder had to be opened again by its
// path (but for one that lists empty now as then), or when the kernel counted a device event since the last report
// (kernel/uevent_seqnum).
struct sysfs_stamp {
	uint64_t events = 0;
	uint64_t version = 0;
};

// How things stand against a stamp: as they were; the folder lists other
// entries, or had to be opened again, but no device event came, so what
// was worked out of one entry by its own name still holds for it; or a
// device event, or a change of root, came, after which nothing kept by a
// name or number alone holds.
enum class sysfs_change : uint8_t { none, folder, events };

// The change since the stamp for what was worked out from the folder (or
// from none, nullptr); the stamp takes the present version.  A stamp never
// set, or a path too long to keep, is a change of the folder at least.
sysfs_change sysfs_restamp(sysfs_stamp *stamp, const char *folder);

// A number that grows whenever a folder's version or the count of device
// events does: while it stands, every folder lists as it did.
uint64_t sysfs_structure();

// sysfs_list_dir with a lambda taking the entry name.
template <typename F>
bool sysfs_list(const char *path, F each)
{
	return sysfs_list_dir(
	    path,
	    [](const char *name, void *context) {
		    (*static_cast<F *>(context))(name);
	    },
	    &each);
}

// If name is prefix followed by a number without sign or leading zero,
// stores that number.
bool sysfs_name_number(const char *name, const char *prefix, int *number);

// Adds a zero-filled record for every entry of the folder named prefix
// and a number (cpu3, hwmon12), that number its leading int, and sorts the
// list by it: the kernel lists in an order of its own.  False when the
// folder cannot be listed.
template <typename T>
bool sysfs_list_numbered(const char *path, const char *prefix,
    grow_list<T> *list)
{
	static_assert(std::is_standard_layout_v<T> && sizeof(T) >= sizeof(int));
	bool listed = sysfs_list(path, [&](const char *name) {
		int number;
		if (sysfs_name_number(name, prefix, &number))
			memcpy(static_cast<void *>(list->add()), &number,
			    sizeof number);
	});
	list->sort(by_leading_number);
	return listed;
}

// Starts a report: the files that the last report did not read are
// closed; the others stay open for this one.
void sysfs_new_report();
