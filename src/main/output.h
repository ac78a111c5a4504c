// SPDX-License-Identifier: BSD-2-Clause
// Where each report goes: standard output, or with -o a file that each
// report replaces whole.
#pragma once

// Sets the file for every report from now on; nullptr: standard output.
void set_report_file(const char *path);

// Before a report: with a file, standard output goes to a new temporary
// file beside it.
void begin_report();

// After a report: everything written must have reached its place, or the
// process stops with status 1.  With a file, the temporary file is renamed
// over it, so that a reader sees the old report or the new one whole.
void end_report();
