// SPDX-License-Identifier: BSD-2-Clause
// Temperatures: conversion into the scale the options chose, the CPU core
// section and the ACPI thermal zone section.
#pragma once

#include <cstdint>

#include "readings/readings.h"

// FreeBSD's tenths of a kelvin in the scale the options chose.
double convert_temp(int raw);

// A reading in its source's scale, in the scale the options chose.
double shown_temperature(temperature_scale scale, int32_t value);

// A reading in degrees Celsius for the metrics and JSON: FreeBSD's tenths
// of a kelvin as the report converts them, to a tenth; Linux's millidegrees
// exactly.
void print_celsius(temperature_scale scale, int32_t value);

// 'F', 'K' or 'C', to match the conversions.
char temp_unit_char();

void report_coretemp(const readings &r);
void report_thermal_zones(const readings &r);

// With -x: "[Thermal limits]", each CPU's critical temperature and whether
// it throttled, and each zone's trip points; "[CPU packages]", each
// package's and die's temperature.  A section with nothing known is left
// out.
void report_thermal_limits(const readings &r);
void report_packages(const readings &r);
