// SPDX-License-Identifier: BSD-2-Clause
// The readings as Prometheus metrics, in the text exposition format.
#pragma once

#include "readings/readings.h"

// One metrics report: every reading as a gauge.  A value that is not known
// gives no sample.
void write_metrics(const readings &r);
