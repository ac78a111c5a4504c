// SPDX-License-Identifier: BSD-2-Clause
// The report cycle.
#pragma once

// One report: the column header line and the four sections, each read
// and then written before the next is read; with -x, then the sections of
// battery wear, thermal limits and CPU packages.
void report_all();

// One metrics report: every section read, then written.  A battery device
// that cannot be opened leaves out the units, never the rest.
void report_metrics();

// One JSON document, read and written as the metrics are.
void report_json();
