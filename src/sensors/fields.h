// SPDX-License-Identifier: BSD-2-Clause
// What the outputs say of each kind of sensor: one row a kind, from which
// the metrics, the JSON document and the -x section all take their names,
// units and limits.  A new kind of sensor is a row here.
#pragma once

#include <cstdint>

#include "readings/readings.h"

// A limit of the sensor that the outputs show.
struct sensor_limit_field {
	sensor_value sensor_reading::*value; // &sensor_reading::min
	const char *family;		     // "pelko_sensor_fan_min_rpm"
	const char *key;		     // "min_rpm", in JSON
	const char *text;		     // "min", in -x
	const char *help;
};

constexpr int max_sensor_limits = 2;

struct sensor_fields {
	const char *kind;   // "fan", in JSON
	const char *family; // "pelko_sensor_fan_rpm"
	const char *type;   // gauge, or counter
	const char *key;    // "fan_rpm", in JSON
	const char *unit;   // "RPM", in -x; temperatures in the scale chosen
	// Source units in one output unit (RPM, V, A, W, J, ratio); 0 for
	// temperatures, in their source's scale.
	int64_t divisor;
	int64_t text_divisor; // the same for -x, where humidity is in percent
	const char *help;
	sensor_limit_field limits[max_sensor_limits]; // unused: family nullptr
};

// The row of each kind, in the order of sensor_kind.
extern const sensor_fields sensor_table[sensor_kind_count];

const sensor_fields &fields_of(sensor_kind kind);

// A value of the kind in its output unit, exactly: temperatures in degrees
// Celsius, the rest by its row's divisor.
void print_sensor_value(const source_units &s, sensor_kind kind, int64_t value);

// Each CPU's frequency in Hz, exactly.
void print_hertz(const source_units &s, int64_t frequency);

// With -x: "[Sensors]", one line a sensor with its value, its limits and
// "ALARM" where the chip raises one, then each CPU's frequency in MHz;
// nothing when nothing is known.
void report_sensors(const readings &r);
