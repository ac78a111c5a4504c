// SPDX-License-Identifier: BSD-2-Clause
#include <stdio.h>

#include "flags/flags.h"
#include "format/format.h"
#include "format/print.h"
#include "temperature.h"

// In double precision and in this order: the division by 10.0 gives kelvin;
// Fahrenheit is computed from kelvin, the product rounded before the sum.
// The printed tenth of some readings depends on each of these choices.
double convert_temp(int raw)
{
	double kelvin = static_cast<double>(raw) / 10.0;

	if (report_flags & FLAG_FAHRENHEIT) {
		double scaled = kelvin * 1.8;
		return scaled + -459.67;
	}
	if (report_flags & FLAG_KELVIN)
		return kelvin;
	return kelvin + -273.15;
}

// Millidegrees Celsius are exact in a double divided by 1000.0, and print
// as other tools print the same input: 45300 as 45.3, 31750 as 31.8.
static double convert_millicelsius(int32_t millicelsius)
{
	double celsius = static_cast<double>(millicelsius) / 1000.0;

	if (report_flags & FLAG_FAHRENHEIT) {
		double scaled = celsius * 1.8;
		return scaled + 32.0;
	}
	if (report_flags & FLAG_KELVIN)
		return celsius + 273.15;
	return celsius;
}

double shown_temperature(temperature_scale scale, int32_t value)
{
	if (scale == temperature_scale::decikelvin)
		return convert_temp(value);
	return convert_millicelsius(value);
}

void print_celsius(temperature_scale scale, int32_t value)
{
	// Celsius whatever -f or -k say: the same sum as the report's.
	if (scale == temperature_scale::decikelvin)
		report_print("%.1f",
		    static_cast<double>(value) / 10.0 + -273.15);
	else
		print_decimal(value, 1000);
}

char temp_unit_char()
{
	if (report_flags & FLAG_FAHRENHEIT)
		return 'F';
	if (report_flags & FLAG_KELVIN)
		return 'K';
	return 'C';
}
