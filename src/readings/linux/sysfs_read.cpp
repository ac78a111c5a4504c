// SPDX-License-Identifier: BSD-2-Clause
#include <sys/syscall.h>
#include <err.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "kept_files.h"
#include "readings/grow_list.h"
#include "sysfs_read.h"

namespace {

// "/sys", or the tree the tests chose; kept out of the initialised data,
// where a whole PATH_MAX of it would weigh on the binary.
char root_storage[PATH_MAX];
const char *root_path = "/sys";
int root_fd = -1;
uint64_t root_changes;

// A file that could not be opened for want of descriptors, with none kept
// to give up, is not a missing file: the report would lack a reading, and
// a report is either whole or not published.  Stops with status 1.
void need_descriptors(const char *path)
{
	if (errno == EMFILE || errno == ENFILE)
		err(1, "%s%s%s", root_path, *path != '\0' ? "/" : "", path);
}

// Opened on first use and kept: every report reads below it.
int root()
{
	if (root_fd == -1) {
		root_fd = kept_openat(AT_FDCWD, root_path,
		    O_PATH | O_DIRECTORY | O_CLOEXEC);
		if (root_fd == -1)
			need_descriptors("");
	}
	return root_fd;
}

// Paths below the root are short; a longer one cannot name an attribute.
constexpr size_t path_size = 512;

__attribute__((format(printf, 2, 0))) bool format_path(char (&path)[path_size],
    const char *format, va_list ap)
{
	int length = vsnprintf(path, sizeof path, format, ap);
	if (length < 0 || static_cast<size_t>(length) >= sizeof path) {
		errno = ENAMETOOLONG;
		return false;
	}
	return true;
}

// Forgets the folders listed, as a new root has others.
void forget_listings();

bool read_path(const char *path, char *text, size_t size)
{
	char buffer[sysfs_max_file];

	ssize_t length = kept_read(root(), path, buffer, sizeof buffer);
	if (length < 0)
		need_descriptors(path);
	if (length <= 0 || static_cast<size_t>(length) == sizeof buffer)
		return false;
	size_t used = static_cast<size_t>(length);
	if (buffer[used - 1] == '\n')
		used--;
	if (used >= size)
		used = size - 1;
	memcpy(text, buffer, used);
	text[used] = '\0';
	return true;
}

__attribute__((format(printf, 3, 0))) bool read_formatted(char *text,
    size_t size, const char *format, va_list ap)
{
	char path[path_size];

	return format_path(path, format, ap) && read_path(path, text, size);
}

} // namespace

void sysfs_set_root(const char *path)
{
	kept_close_all();
	if (root_fd != -1)
		close(root_fd);
	root_fd = -1;
	root_changes++;
	forget_listings();
	snprintf(root_storage, sizeof root_storage, "%s", path);
	root_path = root_storage;
}

uint64_t sysfs_root_version()
{
	return root_changes;
}

bool sysfs_read_text(char *text, size_t size, const char *format, ...)
{
	va_list ap;

	va_start(ap, format);
	bool read = read_formatted(text, size, format, ap);
	va_end(ap);
	return read;
}

bool sysfs_parse_int(const char *text, int32_t *value)
{
	bool negative = *text == '-';
	const char *p = negative ? text + 1 : text;
	int64_t magnitude = 0;

	if (*p == '\0')
		return false;
	for (; *p != '\0'; p++) {
		if (*p < '0' || *p > '9')
			return false;
		magnitude = magnitude * 10 + (*p - '0');
		if (magnitude > int64_t{INT32_MAX} + 1)
			return false;
	}
	int64_t signed_value = negative ? -magnitude : magnitude;
	if (signed_value > INT32_MAX)
		return false;
	*value = static_cast<int32_t>(signed_value);
	return true;
}

bool sysfs_parse_number(const char *text, int32_t *value)
{
	// No 32-bit number is longer than 11 characters; a longer text, even
	// one cut to fit a buffer, is refused.
	return strlen(text) <= 11 && sysfs_parse_int(text, value);
}

bool sysfs_read_int(int32_t *value, const char *format, ...)
{
	char text[32];
	va_list ap;

	va_start(ap, format);
	bool read = read_formatted(text, sizeof text, format, ap);
	va_end(ap);
	return read && sysfs_parse_number(text, value);
}

namespace {

// A whole count from 0 to INT64_MAX: at most 19 digits, nothing else.
bool parse_count(const char *text, int64_t *value)
{
	uint64_t count = 0;

	if (text[0] == '\0' || strlen(text) > 19)
		return false;
	for (const char *p = text; *p != '\0'; p++) {
		if (*p < '0' || *p > '9')
			return false;
		count = count * 10 + static_cast<uint64_t>(*p - '0');
	}
	if (count > INT64_MAX)
		return false;
	*value = static_cast<int64_t>(count);
	return true;
}

// A whole number at the formatted path, at most 19 digits; with a minus
// sign where signed_ok says so.
__attribute__((format(printf, 3, 0))) bool read_whole(int64_t *value,
    bool signed_ok, const char *format, va_list ap)
{
	char text[32];

	if (!read_formatted(text, sizeof text, format, ap))
		return false;
	bool negative = signed_ok && text[0] == '-';
	if (!parse_count(negative ? text + 1 : text, value))
		return false;
	if (negative)
		*value = -*value;
	return true;
}

} // namespace

bool sysfs_read_long(int64_t *value, const char *format, ...)
{
	va_list ap;

	va_start(ap, format);
	bool read = read_whole(value, true, format, ap);
	va_end(ap);
	return read;
}

bool sysfs_link_name(char *name, size_t size, const char *format, ...)
{
	char path[path_size];
	char target[PATH_MAX];
	va_list ap;

	va_start(ap, format);
	bool formatted = format_path(path, format, ap);
	va_end(ap);
	if (!formatted)
		return false;
	ssize_t length = readlinkat(root(), path, target, sizeof target - 1);
	if (length <= 0)
		return false;
	target[length] = '\0';
	const char *slash = strrchr(target, '/');
	snprintf(name, size, "%s", slash != nullptr ? slash + 1 : target);
	return true;
}

bool sysfs_read_count(int64_t *value, const char *format, ...)
{
	va_list ap;

	va_start(ap, format);
	bool read = read_whole(value, false, format, ap);
	va_end(ap);
	return read;
}

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
	for (size_t i = 0; i < length; i++)
		*names.add() = name[i];
}

// Appends the entries but "." and ".." of the folder open at fd, from
// where its offset stands.
bool append_entries(int fd)
{
	alignas(8) char buffer[16384];
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
// through the path, and the files kept below it are opened again too.  A folder that lists any entry is still there, and
// still the one its path names: sysfs gives a name to one device at a
// time and removes the old device's folder before a new one takes it.
bool list_from_kernel(const char *path, bool *held)
{
	size_t mark = names.count;
	kept_folder_fd f = kept_folder(root(), path);

	*held = false;
	if (f.fd >= 0 && !f.fresh) {
		if (lseek(f.fd, 0, SEEK_SET) == 0 && append_entries(f.fd) &&
		    names.count > mark) {
			*held = true;
			return true;
		}
		names.count = mark;
		kept_forget(path);
		f = kept_folder(root(), path);
	}
	if (f.fd < 0) {
		need_descriptors(path);
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

void forget_listings()
{
	listings.clear();
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
// reason.  A folder opened anew by its path may be another one.
bool same_as_before(const listing &l, bool held)
{
	size_t length = l.end - l.first;
	if (!l.listed)
		return !l.listed_before && l.error_before == l.error;
	return held && l.listed_before &&
	    l.before_end - l.before_first == length &&
	    memcmp(names.items + l.first, names_before.items + l.before_first,
		length) == 0;
}

// This report's listing of the folder, listed on first use; nullptr for a
// path too long to keep, which is listed at every use.
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
	bool held;
	l->first = names.count;
	l->listed = list_from_kernel(path, &held);
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
		l->listed = list_from_kernel(path, &held);
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

uint64_t sysfs_folder_version(const char *path)
{
	const listing *l = list_once(path);

	return l != nullptr ? l->version : 0;
}

bool sysfs_name_number(const char *name, const char *prefix, int *number)
{
	size_t skip = strlen(prefix);

	if (strncmp(name, prefix, skip) != 0)
		return false;
	const char *digits = name + skip;
	if (digits[0] < '0' || digits[0] > '9' ||
	    (digits[0] == '0' && digits[1] != '\0'))
		return false;
	int32_t value;
	if (!sysfs_parse_int(digits, &value))
		return false;
	*number = value;
	return true;
}

void sysfs_new_report()
{
	kept_sweep();
	// The folders that the last report did not list are forgotten; the
	// others keep their entries for comparison.
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
}
