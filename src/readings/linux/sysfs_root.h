// SPDX-License-Identifier: BSD-2-Clause
// What the reading and the listing of sysfs share, within the Linux
// reader: the root's descriptor, and what the reading does at a change of
// root.  The listing stands above the reading: a change of root and a new
// report begin there.
#pragma once

// The descriptor of the sysfs root, opened on first use and kept: every
// report reads below it.
int sysfs_root();

// A file that could not be opened for want of descriptors, with none kept
// to give up, is not a missing file: the report would lack a reading, and
// a report is either whole or not published.  Stops with status 1 when
// errno says so.
void sysfs_need_descriptors(const char *path);

// The reading's part of a change of root: every kept file closed, the
// root's descriptor too, and the new root's path kept.  The listing's
// part is sysfs_set_root's.
void sysfs_move_root(const char *path);
