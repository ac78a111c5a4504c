// SPDX-License-Identifier: BSD-2-Clause
// The readings as one JSON document: {"pelko": {...}}, on one line.
//
// Every reading the report and the metrics have: arrays of objects that
// carry their own key ("cpu", "zone", "unit"), every number's unit in its
// key, null for what is not known, [] for an empty list.
#pragma once

#include "readings/readings.h"

void write_json(const readings &r);
