#include "flags/flags.h"
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

char temp_unit_char()
{
	if (report_flags & FLAG_FAHRENHEIT)
		return 'F';
	if (report_flags & FLAG_KELVIN)
		return 'K';
	return 'C';
}
