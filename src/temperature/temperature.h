// SPDX-License-Identifier: BSD-2-Clause
// Temperatures: conversion into the scale the options chose, the CPU core
// section and the ACPI thermal zone section.
#pragma once

#include <cstdint>

#include "readings/readings.h"

// A reading as the text reports show it: in the scale the options chose,
// to a tenth.  FreeBSD's tenths of a kelvin in double precision and
// "%.1f"; Linux's millidegrees from their exact decimal, an exact half
// going to the even tenth ("307.15" K is 307.2), with printf's sign.
struct shown_text {
	char text[24]; // room for any 64-bit number of tenths
};
shown_text shown_temperature(temperature_scale scale, int64_t value);

// A reading in degrees Celsius for the metrics and JSON: FreeBSD's tenths
// of a kelvin as the report converts them, to a tenth, a negative zero as
// 0.0; Linux's millidegrees exactly.
void print_celsius(temperature_scale scale, int64_t value);

// 'F', 'K' or 'C', to match the conversions.
char temp_unit_char();

void report_coretemp(const readings &r);
void report_thermal_zones(const readings &r);
