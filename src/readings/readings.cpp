#include <string.h>

#include "readings.h"

int read_battery_units(const battery_units &b)
{
	if (b.device != battery_device::listed || b.count < 0)
		return 0;
	return b.count > max_battery_unit + 1 ? max_battery_unit + 1 : b.count;
}

void printable_string(const char (&field)[battery_string_size],
    char (&shown)[battery_string_size + 1])
{
	size_t length = strnlen(field, sizeof field);

	for (size_t i = 0; i < length; i++) {
		auto byte = static_cast<unsigned char>(field[i]);
		shown[i] = byte < 0x20 || byte > 0x7e ? '?' : field[i];
	}
	shown[length] = '\0';
}

bool plausible_limit(temperature_scale scale, int32_t value)
{
	if (scale == temperature_scale::decikelvin)
		return value >= 2731 && value <= 4731;
	return value >= 0 && value <= 200000;
}

bool battery_health_known(const battery_unit &u)
{
	return u.stage >= battery_stage::no_charge && u.design_capacity > 0 &&
	    u.last_full_capacity >= 0;
}
