// SPDX-License-Identifier: BSD-2-Clause
// Listing sysfs: the folders of a report, each listed once and kept for
// the next, and the stamps under which readers keep what they worked out
// from them.  A change of root and a new report begin here.
#pragma once

#include <string.h>

#include <cstdint>
#include <type_traits>

#include "lists/grow_list.h"
#include "sysfs_read.h"

// The root is "/sys" unless the tests point the reader at a fixture tree.
void sysfs_set_root(const char *path);

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
