// SPDX-License-Identifier: BSD-2-Clause
#include <sys/syscall.h>
#include <errno.h>
#include <string.h>
#include <unistd.h>

#include "kept_files.h"
#include "lists/grow_list.h"
#include "sysfs_list.h"
#include "sysfs_root.h"

// The kernel's record of one entry, as getdents64(2) lays it out: inode
// (8 bytes), offset (8), record length (2), type (1), then the name with
// its NUL.  Asked for by system call number, it is the same with every C
// library: glibc's dirent64 and musl's dirent are not.
constexpr size_t entry_length_at = 16;
constexpr size_t entry_name_at = 19;

namespace {

// Every folder listed, kept from one report to the next with its entries,
// so that a report can tell whether a folder changed since the last: the
// names of all of them one after the other, each with its NUL, and where
// each folder's begin, this report's and the last's.
struct listing {
	char path[128];
	bool listed_now; // listed in this report
	bool listed; // false: it could not be listed, for the reason in error
	int error;
	size_t first, end; // its names in names
	bool listed_before;
	int error_before;
	size_t before_first, before_end; // its names in names_before
	uint64_t version;
};

grow_list<listing> listings;
grow_list<char> names, names_before;
// Grows with every change of any folder, so that a version is never used
// twice, not even across a change of root.
uint64_t versions;

// Appends a name, with its NUL, to names.
void append_name(const char *name)
{
	size_t length = strlen(name) + 1;
	names.reserve(length);
	memcpy(names.items + names.count, name, length);
	names.count += length;
}

// Appends the entries but "." and ".." of the folder open at fd, from
// where its offset stands.
bool append_entries(int fd)
{
	// Static rather than on the stack: the kernel touches only what it
	// fills, and a deep stack would fault its pages in.
	alignas(8) static char buffer[16384];
	long length;

	while (
	    (length = syscall(SYS_getdents64, fd, buffer, sizeof buffer)) > 0) {
		for (long at = 0; at < length;) {
			const char *entry = buffer + at;
			uint16_t record;
			memcpy(&record, entry + entry_length_at, sizeof record);
			if (record <= entry_name_at)
				break;
			const char *name = entry + entry_name_at;
			if (strcmp(name, ".") != 0 && strcmp(name, "..") != 0)
				append_name(name);
			at += record;
		}
	}
	return length == 0;
}

// Appends the folder's entries, through its kept descriptor rewound; held
// says whether they came through the descriptor that held the folder
// since it was last listed.  A folder that sysfs removed lists as empty
// through a descriptor held before (other file systems fail with ENOENT):
// an empty or failed listing through a held descriptor is done again
// through the path, and the files kept below it are opened again too;
// but an empty one is taken as it is where still_there says that no
// device event came since the folder was listed.  A folder that lists any
// entry is still there, and still the one its path names: sysfs gives a
// name to one device at a time and removes the old device's folder before
// a new one takes it.
bool list_from_kernel(const char *path, bool *held, bool still_there)
{
	size_t mark = names.count;
	kept_folder_fd f = kept_folder(sysfs_root(), path);

	*held = false;
	if (f.fd >= 0 && !f.fresh) {
		if (lseek(f.fd, 0, SEEK_SET) == 0 && append_entries(f.fd) &&
		    (names.count > mark || still_there)) {
			*held = true;
			return true;
		}
		names.count = mark;
		kept_forget(path);
		f = kept_folder(sysfs_root(), path);
	}
	if (f.fd < 0) {
		sysfs_need_descriptors(path);
		return false;
	}
	bool listed = append_entries(f.fd);
	if (!f.kept) {
		int saved = errno;
		close(f.fd);
		errno = saved;
	}
	return listed;
}

listing *known_listing(const char *path)
{
	for (listing &l : listings)
		if (strcmp(l.path, path) == 0)
			return &l;
	return nullptr;
}

// Whether this report's listing is of the same folder, with the same
// entries in the same order, as the last report's, or failed for the same
// reason.  A folder opened anew by its path may be another one, unless it
// lists empty now as then: nothing was worked out of it either way.
bool same_as_before(const listing &l, bool held)
{
	size_t length = l.end - l.first;
	if (!l.listed)
		return !l.listed_before && l.error_before == l.error;
	if (length == 0)
		return l.listed_before && l.before_end == l.before_first;
	return held && l.listed_before &&
	    l.before_end - l.before_first == length &&
	    memcmp(names.items + l.first, names_before.items + l.before_first,
		length) == 0;
}

// The kernel's count of device events (kernel/uevent_seqnum): it grows
// with every device added or removed, every CPU brought online or offline,
// every change a driver announces.  Where it grew since the last report,
// no folder keeps its version, so that nothing worked out before a device
// event is kept: not even what a device's own folder cannot show, such as
// a CPU that went and came back under its number.  A count that cannot be
// read counts as an event, and so does the first one read after it: what
// came between is unknown.  It is read again at the next report.  A tree
// that has none from the start (a kernel's sysfs always has it) goes by
// its folders alone.
enum class count_state : uint8_t { unread, counted, failed, absent };

sysfs_file event_count_file;
int64_t event_count;
count_state event_state = count_state::unread;
// Grows with every device event counted and every change of root, so that
// what a reader kept by numbers or names alone is worked out again.
uint64_t events = 1;

bool devices_changed()
{
	int64_t count;

	if (event_state == count_state::absent)
		return false;
	errno = 0;
	if (!sysfs_read_count(&event_count_file, &count,
		"kernel/uevent_seqnum")) {
		bool first = event_state == count_state::unread;
		event_state = first && errno == ENOENT ? count_state::absent
						       : count_state::failed;
		return !first;
	}
	bool changed = event_state == count_state::failed ||
	    (event_state == count_state::counted && count != event_count);
	event_state = count_state::counted;
	event_count = count;
	return changed;
}

bool counting_events()
{
	return event_state == count_state::counted;
}

// This report's listing of the folder, listed on first use; nullptr for a
// path too long to keep, which is listed at every use.  A folder found
// missing is not looked for again while the kernel counts no device
// event: a folder comes only with a device, driver or class, which the
// kernel announces.  Where there is no count, it is looked for at every
// report.
listing *list_once(const char *path)
{
	listing *l = known_listing(path);

	if (l != nullptr && l->listed_now)
		return l;
	if (l == nullptr) {
		if (strlen(path) >= sizeof l->path)
			return nullptr;
		l = listings.add();
		memcpy(l->path, path, strlen(path) + 1);
	}
	bool held = false;
	l->first = names.count;
	if (!l->listed_before && l->error_before == ENOENT &&
	    counting_events()) {
		l->listed = false;
		errno = ENOENT;
	} else {
		l->listed = list_from_kernel(path, &held,
		    l->listed_before && counting_events());
	}
	l->error = errno;
	l->end = names.count;
	l->listed_now = true;
	if (!same_as_before(*l, held))
		l->version = ++versions;
	return l;
}

} // namespace

bool sysfs_list_dir(const char *path, sysfs_entry_fn each, void *context)
{
	listing unkept = {};
	listing *l = list_once(path);

	if (l == nullptr) {
		l = &unkept;
		bool held;
		l->first = names.count;
		l->listed = list_from_kernel(path, &held, false);
		l->error = errno;
		l->end = names.count;
	}
	if (!l->listed) {
		errno = l->error;
		return false;
	}
	// The callback may list other folders, which moves the names: each
	// name is copied out first.
	for (size_t at = l->first; at < l->end;) {
		char name[256];
		size_t length = strnlen(names.items + at, sizeof name - 1);
		memcpy(name, names.items + at, length);
		name[length] = '\0';
		at += strlen(names.items + at) + 1;
		each(name, context);
	}
	return true;
}

sysfs_change sysfs_restamp(sysfs_stamp *stamp, const char *folder)
{
	sysfs_change change = sysfs_change::none;

	if (folder != nullptr) {
		const listing *l = list_once(folder);
		uint64_t version = l != nullptr ? l->version : 0;
		if (version == 0 || version != stamp->version)
			change = sysfs_change::folder;
		stamp->version = version;
	}
	if (stamp->events != events)
		change = sysfs_change::events;
	stamp->events = events;
	return change;
}

uint64_t sysfs_structure()
{
	return versions + events;
}

// Forgets every folder listed: a new root has others.
void sysfs_set_root(const char *path)
{
	sysfs_move_root(path);
	events++;
	listings.clear();
	event_count_file = {};
	event_state = count_state::unread;
}

// The files and folders that the last report did not read or list are
// closed, and those folders forgotten; the others keep their entries for
// comparison, unless the kernel counted a device event since the last
// report.
void sysfs_new_report()
{
	kept_sweep();
	size_t kept_listings = 0;
	for (listing &l : listings) {
		if (!l.listed_now)
			continue;
		l.listed_before = l.listed;
		l.error_before = l.listed ? 0 : l.error;
		l.before_first = l.first;
		l.before_end = l.end;
		l.listed_now = false;
		listings.items[kept_listings++] = l;
	}
	listings.count = kept_listings;
	names.swap(names_before);
	names.clear();
	if (devices_changed()) {
		events++;
		for (listing &l : listings) {
			l.listed_before = false;
			l.error_before = 0;
		}
	}
}
