// The report cycle.
#pragma once

// One report: the column header line and the four sections, each read
// and then written before the next is read.
void report_all();

// One metrics report: every section read, then written.  A battery device
// that cannot be opened leaves out the units, never the rest.
void report_metrics();
