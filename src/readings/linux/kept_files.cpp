// SPDX-License-Identifier: BSD-2-Clause
#include <sys/resource.h>
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include <cstdint>

#include "kept_files.h"
#include "lists/grow_list.h"

namespace {

// Attribute paths are short; a longer one is read without being kept.
constexpr size_t kept_path_size = 128;

// Descriptors the report needs besides the kept files: the standard
// three, the sysfs root, a folder being listed, a file read once, the
// temporary file of -o, and a few to spare.
constexpr rlim_t report_descriptors = 12;

// What the limit leaves beyond those and a sixteenth of it, a margin for
// descriptors the process inherited or that the C library opens: under the
// usual limit of 1024, some 950 files; the 22,500 of 4096 CPUs under a
// limit of 24,100 or more.  A larger machine, or a smaller limit, opens and
// closes the files beyond, as every report once did.  Under a limit of 12
// or less nothing is kept.
size_t max_kept()
{
	static size_t most = SIZE_MAX; // not yet known

	if (most == SIZE_MAX) {
		rlimit limit;
		rlim_t have = getrlimit(RLIMIT_NOFILE, &limit) == 0
		    ? limit.rlim_cur
		    : 256;
		rlim_t margin = report_descriptors + have / 16;
		most = have > margin ? static_cast<size_t>(have - margin) : 0;
	}
	return most;
}

// Values are short: what a report read of one is kept for the rest of
// the report, so that a second read of it costs no system call.
constexpr size_t kept_text_size = 32;

struct kept_file {
	uint64_t hash;
	uint32_t generation; // 0: a free slot
	int32_t next;	     // the next kept file in its chain, or -1
	int fd;
	bool used;	    // read since the last sweep
	int8_t text_length; // of text; -1 when it was too long to keep
	char text[kept_text_size];
	char path[kept_path_size];
};

// Keeps what was read, when it is short.
void remember(kept_file *k, const char *buffer, ssize_t length)
{
	k->text_length = -1;
	if (length >= 0 && static_cast<size_t>(length) <= sizeof k->text) {
		memcpy(k->text, buffer, static_cast<size_t>(length));
		k->text_length = static_cast<int8_t>(length);
	}
}

// The kept files, each in a slot it keeps for its life, so that a handle
// finds it again; a slot given up is free for the next.
grow_list<kept_file> kept;
grow_list<uint32_t> free_slots;
size_t live;
uint32_t generations;

// FNV-1a: compared before the path, so that a lookup rarely compares text.
uint64_t path_hash(const char *path)
{
	uint64_t hash = 14695981039346656037ULL;

	for (const char *p = path; *p != '\0'; p++) {
		hash ^= static_cast<unsigned char>(*p);
		hash *= 1099511628211ULL;
	}
	return hash;
}

// The kept files by their paths' hashes, so that finding one takes the
// same time however many are kept: a power of two of chains, at least
// twice the kept files, each the index of its first kept file or -1.
grow_list<int32_t> chains;

int32_t *chain(uint64_t hash)
{
	return &chains.items[static_cast<size_t>(hash) & (chains.count - 1)];
}

void chain_in(size_t i)
{
	int32_t *first = chain(kept.items[i].hash);
	kept.items[i].next = *first;
	*first = static_cast<int32_t>(i);
}

void chain_out(size_t i)
{
	int32_t *at = chain(kept.items[i].hash);
	while (*at != static_cast<int32_t>(i))
		at = &kept.items[*at].next;
	*at = kept.items[i].next;
}

void rebuild_index()
{
	size_t size = 64;
	while (size < 2 * (kept.count + 1))
		size *= 2;
	chains.clear();
	for (size_t c = 0; c < size; c++)
		*chains.add() = -1;
	for (size_t i = 0; i < kept.count; i++)
		if (kept.items[i].generation != 0)
			chain_in(i);
}

kept_file *find(const char *path, uint64_t hash)
{
	if (chains.count == 0)
		return nullptr;
	for (int32_t i = *chain(hash); i != -1; i = kept.items[i].next) {
		kept_file &k = kept.items[i];
		if (k.hash == hash && strcmp(k.path, path) == 0)
			return &k;
	}
	return nullptr;
}

// Closes the file and frees its slot.
void drop(size_t i)
{
	close(kept.items[i].fd);
	chain_out(i);
	kept.items[i].generation = 0;
	*free_slots.add() = static_cast<uint32_t>(i);
	live--;
}

kept_file *keep(const char *path, uint64_t hash, int fd)
{
	size_t i = kept.count;
	if (free_slots.count > 0)
		i = free_slots.items[--free_slots.count];
	else
		kept.add();
	kept_file *k = &kept.items[i];
	k->hash = hash;
	// Never 0, and never that of a handle still held in practice: a
	// slot would have to be reused four billion times.
	k->generation = ++generations == 0 ? ++generations : generations;
	k->fd = fd;
	k->used = true;
	k->text_length = -1;
	memcpy(k->path, path, strlen(path) + 1);
	live++;
	if (2 * kept.count > chains.count)
		rebuild_index();
	else
		chain_in(i);
	return k;
}

// The last live kept file, or kept.count.
size_t last_live()
{
	size_t i = kept.count;
	while (i > 0 && kept.items[i - 1].generation == 0)
		i--;
	return i == 0 ? kept.count : i - 1;
}

// Reads through a kept file: the text this report read already, or a
// pread at offset 0.  -1 when the entry went away (ENODEV), and the file
// is given up: a new entry may stand at its path.  A file that fails to
// read otherwise (a folder or FIFO in an attribute's place) stays kept,
// so that it is not opened again at every report.
ssize_t read_kept(kept_file *k, char *buffer, size_t size)
{
	// Read in this report already: the same text, as one report reads
	// each file once.
	if (k->used && k->text_length >= 0 &&
	    static_cast<size_t>(k->text_length) < size) {
		memcpy(buffer, k->text, static_cast<size_t>(k->text_length));
		return k->text_length;
	}
	ssize_t length = pread(k->fd, buffer, size, 0);
	if (length >= 0 || errno != ENODEV) {
		k->used = true;
		remember(k, buffer, length);
		return length;
	}
	drop(static_cast<size_t>(k - kept.items));
	return -1;
}

void set_handle(kept_handle *handle, const kept_file *k)
{
	if (handle != nullptr)
		*handle = {static_cast<uint32_t>(k - kept.items) + 1,
		    k->generation};
}

} // namespace

int kept_openat(int folder, const char *path, int flags)
{
	for (;;) {
		int fd = openat(folder, path, flags);
		if (fd != -1 || (errno != EMFILE && errno != ENFILE) ||
		    live == 0)
			return fd;
		// Out of descriptors: a kept file gives its own up, so that no
		// reading is lost for want of one.
		drop(last_live());
	}
}

kept_folder_fd kept_folder(int root, const char *path)
{
	uint64_t hash = path_hash(path);

	if (kept_file *k = find(path, hash)) {
		k->used = true;
		return {k->fd, false, true};
	}
	int fd = kept_openat(root, path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
	if (fd < 0)
		return {-1, true, false};
	if (strlen(path) >= kept_path_size || live >= max_kept())
		return {fd, true, false};
	keep(path, hash, fd);
	return {fd, true, true};
}

void kept_forget(const char *path)
{
	size_t length = strlen(path);

	for (size_t i = 0; i < kept.count; i++) {
		const kept_file &k = kept.items[i];
		if (k.generation != 0 && strncmp(k.path, path, length) == 0 &&
		    (k.path[length] == '\0' || k.path[length] == '/'))
			drop(i);
	}
}

ssize_t kept_read(int root, const char *path, char *buffer, size_t size,
    kept_handle *handle)
{
	uint64_t hash = path_hash(path);

	if (kept_file *k = find(path, hash)) {
		ssize_t length = read_kept(k, buffer, size);
		if (length >= 0 || errno != ENODEV) {
			set_handle(handle, k);
			return length;
		}
	}
	// O_NONBLOCK: a FIFO planted in the tree fails to read, never hangs.
	int fd = kept_openat(root, path,
	    O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
	if (fd < 0)
		return -1;
	ssize_t length = pread(fd, buffer, size, 0);
	if ((length < 0 && errno == ENODEV) || strlen(path) >= kept_path_size ||
	    live >= max_kept()) {
		close(fd);
	} else {
		int saved = errno;
		kept_file *k = keep(path, hash, fd);
		remember(k, buffer, length);
		set_handle(handle, k);
		errno = saved;
	}
	return length;
}

ssize_t kept_read_handle(kept_handle handle, char *buffer, size_t size)
{
	if (handle.slot == 0 || handle.slot > kept.count ||
	    kept.items[handle.slot - 1].generation != handle.generation) {
		errno = ESTALE;
		return -1;
	}
	return read_kept(&kept.items[handle.slot - 1], buffer, size);
}

void kept_sweep()
{
	for (size_t i = 0; i < kept.count; i++) {
		kept_file &k = kept.items[i];
		if (k.generation == 0)
			continue;
		if (!k.used)
			drop(i);
		else
			k.used = false;
	}
}

void kept_close_all()
{
	for (size_t i = 0; i < kept.count; i++)
		if (kept.items[i].generation != 0)
			drop(i);
}
