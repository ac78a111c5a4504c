// The report cycle.
#pragma once

// One report: the column header line and the four sections.
void report_all();
