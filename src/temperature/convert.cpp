// SPDX-License-Identifier: BSD-2-Clause
#include <stdio.h>
#include <string.h>

#include "flags/flags.h"
#include "format/format.h"
#include "format/print.h"
#include "temperature.h"

namespace {

// In double precision and in this order: the division by 10.0 gives kelvin;
// Fahrenheit is computed from kelvin, the product rounded before the sum.
// The printed tenth of some readings depends on each of these choices.
double convert_temp(int64_t raw)
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

// numerator / denominator to the nearest whole number, an exact half to
// the even one; denominator is positive.
int64_t nearest_even(int64_t numerator, int64_t denominator)
{
	int64_t whole = numerator / denominator;
	int64_t rest = numerator % denominator;

	if (rest < 0) {
		whole--;
		rest += denominator;
	}
	if (2 * rest > denominator || (2 * rest == denominator && whole % 2))
		whole++;
	return whole;
}

// Millidegrees Celsius in the chosen scale, in tenths, exactly: the scale's
// value is numerator / denominator tenths.  Fahrenheit is 9/5 of the
// millidegrees plus 32000, over 1000.
shown_text millicelsius_text(int64_t millicelsius)
{
	int64_t numerator = millicelsius, denominator = 100;
	shown_text shown;

	if (report_flags & FLAG_FAHRENHEIT) {
		numerator = 9 * numerator + 160000;
		denominator = 500;
	} else if (report_flags & FLAG_KELVIN) {
		numerator += 273150;
	}
	int64_t tenths = nearest_even(numerator, denominator);
	uint64_t magnitude = tenths < 0 ? 0ULL - static_cast<uint64_t>(tenths)
					: static_cast<uint64_t>(tenths);
	snprintf(shown.text, sizeof shown.text, "%s%llu.%llu",
	    numerator < 0 ? "-" : "",
	    static_cast<unsigned long long>(magnitude / 10),
	    static_cast<unsigned long long>(magnitude % 10));
	return shown;
}

} // namespace

shown_text shown_temperature(temperature_scale scale, int64_t value)
{
	shown_text shown;

	if (scale == temperature_scale::millicelsius)
		return millicelsius_text(value);
	snprintf(shown.text, sizeof shown.text, "%.1f", convert_temp(value));
	return shown;
}

void print_celsius(temperature_scale scale, int64_t value)
{
	// Celsius whatever -f or -k say: the same sum as the report's.
	if (scale == temperature_scale::decikelvin) {
		char text[32];
		snprintf(text, sizeof text, "%.1f",
		    static_cast<double>(value) / 10.0 + -273.15);
		report_fputs(strcmp(text, "-0.0") == 0 ? text + 1 : text);
	} else {
		print_decimal(value, 1000);
	}
}

char temp_unit_char()
{
	if (report_flags & FLAG_FAHRENHEIT)
		return 'F';
	if (report_flags & FLAG_KELVIN)
		return 'K';
	return 'C';
}
