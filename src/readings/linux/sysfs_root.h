// SPDX-License-Identifier: BSD-2-Clause
// What the reading and the listing of sysfs share, within the Linux
// reader: the root's descriptor, and what they do at a change of root and
// at a new report.
#pragma once

// The descriptor of the sysfs root, opened on first use and kept: every
// report reads below it.
int sysfs_root();

// A file that could not be opened for want of descriptors, with none kept
// to give up, is not a missing file: the report would lack a reading, and
// a report is either whole or not published.  Stops with status 1 when
// errno says so.
void sysfs_need_descriptors(const char *path);

// Forgets every folder listed: a new root has others.
void sysfs_forget_listings();

// Starts a report's listings: the folders that the last report did not
// list are forgotten; the others keep their entries for comparison,
// unless the kernel counted a device event since the last report.
void sysfs_new_listings();
