// SPDX-License-Identifier: BSD-2-Clause
// What the outputs say of each kind of sensor: one table a kind, its value
// and then its limits, from which the metrics, the JSON document and the
// -x section all take their names, units and limits; and the alarm, which
// every kind has.  A new kind of sensor is a table here.
#pragma once

#include "tables/table.h"

// The table of each kind, in the order of sensor_kind.
extern const table<sensor_reading> sensor_tables[sensor_kind_count];
extern const table<sensor_reading> alarm_table;

// With -x: "[Sensors]", one line a sensor with its value, its limits and
// "ALARM" where the chip raises one, then the CPUs' rows that the metrics
// put after the sensors (their frequencies); nothing when nothing is known.
void report_sensors(const readings &r);
