// The readings as Prometheus metrics, in the text exposition format.
#pragma once

// One metrics report: the same readings as the report's four sections,
// read in the same order, written as gauges.  A value that is not known
// gives no sample.
void report_metrics();
