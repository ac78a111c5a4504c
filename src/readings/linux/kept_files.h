// SPDX-License-Identifier: BSD-2-Clause
// Attribute files kept open from one report to the next.  sysfs makes an
// attribute's text anew at every read at offset 0, so one descriptor
// serves every report of an interval run, and its open and close are paid
// once.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

// openat(2), but when the process is out of descriptors (EMFILE, ENFILE),
// kept files are closed one by one until it succeeds or none is left:
// only then does it fail with that error.
int kept_openat(int folder, const char *path, int flags);

// Where a kept file stands, for a reader to read it again without its
// path: slot 0 is none.  A handle of a file no longer kept reads nothing.
struct kept_handle {
	uint32_t slot;
	uint32_t generation;
};

// Reads up to size bytes of the file at path, relative to the folder root:
// through its kept descriptor, or opened anew and kept; a short file that
// this report read already gives the same text again, with no system call,
// so that a report reads each file once.  pread(2)'s result;
// -1 with errno set when the file cannot be opened or read: EMFILE or
// ENFILE only when no kept file was left to make room.
// Where the file is kept, handle (when not nullptr) says so.
ssize_t kept_read(int root, const char *path, char *buffer, size_t size,
    kept_handle *handle);

// kept_read through a handle: -1 with errno ESTALE when the file is no
// longer kept (given up, or its entry went away), and the reader goes by
// its path again.
ssize_t kept_read_handle(kept_handle handle, char *buffer, size_t size);

// A folder's descriptor, kept like a file's so that a folder is listed
// again by rewinding it: fd -1 with errno set when it cannot be opened;
// fresh when it was opened by its path just now; kept false when there was
// no room to keep it, and the caller closes it.
struct kept_folder_fd {
	int fd;
	bool fresh;
	bool kept;
};
kept_folder_fd kept_folder(int root, const char *path);

// Closes the kept descriptors of the folder at path and of everything
// below it: the folder went away, and a new one may stand at the path.
void kept_forget(const char *path);

// Closes the files and folders that no read or listing asked for since the
// last sweep: their entries went away, or the report no longer needs them.
void kept_sweep();

// Closes every kept file and folder.
void kept_close_all();
