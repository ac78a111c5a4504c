#include <sys/resource.h>
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include <cstdint>

#include "kept_files.h"
#include "readings/grow_list.h"

namespace {

// Attribute paths are short; a longer one is read without being kept.
constexpr size_t kept_path_size = 128;

// Half the descriptors the process may have: a 64-CPU machine with every
// extended reading keeps some 450 under the usual limit of 1024; a larger
// machine opens and closes the files beyond, as every report once did.
size_t max_kept()
{
	static size_t most;

	if (most == 0) {
		rlimit limit;
		rlim_t half = getrlimit(RLIMIT_NOFILE, &limit) == 0
		    ? limit.rlim_cur / 2
		    : 128;
		most = half < 64 ? 64 : half > 8192 ? 8192 : half;
	}
	return most;
}

struct kept_file {
	uint64_t hash;
	int fd;
	bool used; // read since the last sweep
	char path[kept_path_size];
};

grow_list<kept_file> kept;

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

kept_file *find(const char *path, uint64_t hash)
{
	for (kept_file &k : kept)
		if (k.hash == hash && strcmp(k.path, path) == 0)
			return &k;
	return nullptr;
}

void drop(size_t i)
{
	close(kept.items[i].fd);
	kept.items[i] = kept.items[kept.count - 1];
	kept.count--;
}

void keep(const char *path, uint64_t hash, int fd)
{
	kept_file *k = kept.add();

	k->hash = hash;
	k->fd = fd;
	k->used = true;
	memcpy(k->path, path, strlen(path) + 1);
}

} // namespace

ssize_t kept_read(int root, const char *path, char *buffer, size_t size)
{
	uint64_t hash = path_hash(path);

	if (kept_file *k = find(path, hash)) {
		ssize_t length = pread(k->fd, buffer, size, 0);
		if (length >= 0) {
			k->used = true;
			return length;
		}
		// The entry went away (ENODEV): a new one may stand there now.
		drop(static_cast<size_t>(k - kept.items));
	}
	// O_NONBLOCK: a FIFO planted in the tree fails to read, never hangs.
	int fd =
	    openat(root, path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
	if (fd < 0)
		return -1;
	ssize_t length = pread(fd, buffer, size, 0);
	if (length < 0 || strlen(path) >= kept_path_size ||
	    kept.count >= max_kept())
		close(fd);
	else
		keep(path, hash, fd);
	return length;
}

void kept_sweep()
{
	for (size_t i = kept.count; i-- > 0;) {
		if (!kept.items[i].used)
			drop(i);
		else
			kept.items[i].used = false;
	}
}

void kept_close_all()
{
	while (kept.count > 0)
		drop(kept.count - 1);
}
