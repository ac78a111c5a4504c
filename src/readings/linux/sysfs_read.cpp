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
#include "lists/grow_list.h"
#include "sysfs_read.h"
#include "sysfs_root.h"

namespace {

// "/sys", or the tree the tests chose; kept out of the initialised data,
// where a whole PATH_MAX of it would weigh on the binary.
char root_storage[PATH_MAX];
const char *root_path = "/sys";
int root_fd = -1;

// Paths below the root are short; a longer one cannot name an attribute.
constexpr size_t path_size = 512;

// Appends length bytes at *at, short of end.
bool append_bytes(char **at, const char *end, const char *bytes, size_t length)
{
	if (static_cast<size_t>(end - *at) <= length)
		return false;
	memcpy(*at, bytes, length);
	*at += length;
	return true;
}

// Appends the decimal digits of value at *at, short of end.
bool append_number(char **at, const char *end, int value)
{
	char digits[12];
	char *first = digits + sizeof digits;
	unsigned magnitude = value < 0 ? 0U - static_cast<unsigned>(value)
				       : static_cast<unsigned>(value);

	do {
		*--first = static_cast<char>('0' + magnitude % 10);
		magnitude /= 10;
	} while (magnitude != 0);
	if (value < 0)
		*--first = '-';
	return append_bytes(at, end, first,
	    static_cast<size_t>(digits + sizeof digits - first));
}

// The paths' formats hold %d and %s only: those are expanded here, at a
// fraction of what vsnprintf(3) costs, as every read formats its path.
// Any other conversion fails, with errno EINVAL.
__attribute__((format(printf, 3, 0))) bool format_path(char *path, size_t size,
    const char *format, va_list ap)
{
	char *at = path;
	const char *end = path + size;
	bool fits = true;

	for (const char *f = format; fits && *f != '\0';) {
		const char *percent = strchrnul(f, '%');
		fits =
		    append_bytes(&at, end, f, static_cast<size_t>(percent - f));
		if (!fits || *percent == '\0')
			break;
		if (percent[1] == 'd') {
			fits = append_number(&at, end, va_arg(ap, int));
		} else if (percent[1] == 's') {
			const char *text = va_arg(ap, const char *);
			fits = append_bytes(&at, end, text, strlen(text));
		} else {
			errno = EINVAL;
			return false;
		}
		f = percent + 2;
	}
	if (!fits) {
		errno = ENAMETOOLONG;
		return false;
	}
	*at = '\0';
	return true;
}

// Static rather than on the stack: a report's pages are few, and each
// first touch of one costs a page fault.
char file_buffer[sysfs_max_file];

// What was read into the buffer as text, cut to size, with one trailing
// newline removed.
bool take_text(ssize_t length, char *text, size_t size)
{
	if (length <= 0 || static_cast<size_t>(length) == sizeof file_buffer)
		return false;
	size_t used = static_cast<size_t>(length);
	if (file_buffer[used - 1] == '\n')
		used--;
	if (used >= size)
		used = size - 1;
	memcpy(text, file_buffer, used);
	text[used] = '\0';
	return true;
}

// Through the file's handle, where it has one that holds; else by the
// formatted path, which gives it one.  A kept file that fails to read
// stays kept and fails as it is: only one whose entry went away (ENODEV)
// or that is no longer kept (ESTALE) is looked for again by its path.
__attribute__((format(printf, 4, 0))) bool read_formatted(sysfs_file *file,
    char *text, size_t size, const char *format, va_list ap)
{
	char path[path_size];
	ssize_t length = -1;

	if (file != nullptr) {
		length = kept_read_handle(file->kept, file_buffer,
		    sizeof file_buffer);
		if (length < 0 && errno != ENODEV && errno != ESTALE)
			return false;
		if (length < 0)
			file->kept = {0, 0};
	}
	if (length < 0) {
		if (!format_path(path, sizeof path, format, ap))
			return false;
		length = kept_read(sysfs_root(), path, file_buffer,
		    sizeof file_buffer,
		    file != nullptr ? &file->kept : nullptr);
		if (length < 0)
			sysfs_need_descriptors(path);
	}
	return take_text(length, text, size);
}

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

// A whole number of at most 19 digits, with a minus sign where signed_ok
// says so.
bool parse_whole(const char *text, bool signed_ok, int64_t *value)
{
	bool negative = signed_ok && text[0] == '-';

	if (!parse_count(negative ? text + 1 : text, value))
		return false;
	if (negative)
		*value = -*value;
	return true;
}

// A whole number at the formatted path, as parse_whole takes it.
__attribute__((format(printf, 4, 0))) bool read_whole(sysfs_file *file,
    int64_t *value, bool signed_ok, const char *format, va_list ap)
{
	char text[32];

	return read_formatted(file, text, sizeof text, format, ap) &&
	    parse_whole(text, signed_ok, value);
}

} // namespace

void sysfs_need_descriptors(const char *path)
{
	if (errno == EMFILE || errno == ENFILE)
		err(1, "%s%s%s", root_path, *path != '\0' ? "/" : "", path);
}

int sysfs_root()
{
	if (root_fd == -1) {
		root_fd = kept_openat(AT_FDCWD, root_path,
		    O_PATH | O_DIRECTORY | O_CLOEXEC);
		if (root_fd == -1)
			sysfs_need_descriptors("");
	}
	return root_fd;
}

void sysfs_move_root(const char *path)
{
	kept_close_all();
	if (root_fd != -1)
		close(root_fd);
	root_fd = -1;
	snprintf(root_storage, sizeof root_storage, "%s", path);
	root_path = root_storage;
}

bool sysfs_path(char *path, size_t size, const char *format, ...)
{
	va_list ap;

	va_start(ap, format);
	bool formatted = format_path(path, size, format, ap);
	va_end(ap);
	return formatted;
}

bool sysfs_read_text(sysfs_file *file, char *text, size_t size,
    const char *format, ...)
{
	va_list ap;

	va_start(ap, format);
	bool read = read_formatted(file, text, size, format, ap);
	va_end(ap);
	return read;
}

bool sysfs_read_text(sysfs_file *file, bool *missing, char *text, size_t size,
    const char *format, ...)
{
	va_list ap;

	if (*missing)
		return false;
	errno = 0;
	va_start(ap, format);
	bool read = read_formatted(file, text, size, format, ap);
	va_end(ap);
	// ENOTDIR: a component of the path that is no folder.
	*missing = !read && (errno == ENOENT || errno == ENOTDIR);
	return read;
}

bool sysfs_parse_int(const char *text, int32_t *value)
{
	int64_t whole;

	if (!parse_whole(text, true, &whole) || whole < INT32_MIN ||
	    whole > INT32_MAX)
		return false;
	*value = static_cast<int32_t>(whole);
	return true;
}

bool sysfs_parse_number(const char *text, int32_t *value)
{
	// No 32-bit number is longer than 11 characters; a longer text, even
	// one cut to fit a buffer, is refused.
	return strlen(text) <= 11 && sysfs_parse_int(text, value);
}

bool sysfs_read_int(sysfs_file *file, int32_t *value, const char *format, ...)
{
	char text[32];
	va_list ap;

	va_start(ap, format);
	bool read = read_formatted(file, text, sizeof text, format, ap);
	va_end(ap);
	return read && sysfs_parse_number(text, value);
}

bool sysfs_read_long(sysfs_file *file, int64_t *value, const char *format, ...)
{
	va_list ap;

	va_start(ap, format);
	bool read = read_whole(file, value, true, format, ap);
	va_end(ap);
	return read;
}

bool sysfs_link_name(char *name, size_t size, const char *format, ...)
{
	char path[path_size];
	char target[PATH_MAX];
	va_list ap;

	va_start(ap, format);
	bool formatted = format_path(path, sizeof path, format, ap);
	va_end(ap);
	if (!formatted)
		return false;
	ssize_t length =
	    readlinkat(sysfs_root(), path, target, sizeof target - 1);
	if (length <= 0)
		return false;
	target[length] = '\0';
	const char *slash = strrchr(target, '/');
	snprintf(name, size, "%s", slash != nullptr ? slash + 1 : target);
	return true;
}

bool sysfs_read_count(sysfs_file *file, int64_t *value, const char *format, ...)
{
	va_list ap;

	va_start(ap, format);
	bool read = read_whole(file, value, false, format, ap);
	va_end(ap);
	return read;
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
