// SPDX-License-Identifier: BSD-2-Clause
#include "fields.h"

#include "format/format.h"
#include "temperature/temperature.h"

const sensor_fields sensor_table[sensor_kind_count] = {
    {"temperature", "pelko_sensor_temperature_celsius", "gauge",
	"temperature_celsius", nullptr, 0, 0,
	"Temperature of the sensor: tempN_input of a hwmon chip on Linux, "
	"a dev. variable in tenths of a kelvin on FreeBSD.",
	{{&sensor_reading::max, "pelko_sensor_temperature_max_celsius",
	     "max_celsius", "max",
	     "Highest temperature the chip's driver sets for the sensor: "
	     "tempN_max on Linux."},
	    {&sensor_reading::critical,
		"pelko_sensor_temperature_critical_celsius", "critical_celsius",
		"crit",
		"Critical temperature of the sensor: tempN_crit on Linux."}}},
    {"fan", "pelko_sensor_fan_rpm", "gauge", "fan_rpm", "RPM", 1, 1,
	"Speed of the fan: fanN_input on Linux; dev.acpi_ibm.N.fan_speed, "
	"dev.asmc.N.fan.M.speed and dev.aibs.N.fan.M on FreeBSD.",
	{{&sensor_reading::min, "pelko_sensor_fan_min_rpm", "min_rpm", "min",
	     "Lowest speed of a working fan: fanN_min on Linux."},
	    {}}},
    {"voltage", "pelko_sensor_voltage_volts", "gauge", "voltage_volts", "V",
	1000, 1000,
	"Voltage at the sensor: inN_input on Linux, dev.aibs.N.volt.M on "
	"FreeBSD.",
	{{&sensor_reading::min, "pelko_sensor_voltage_min_volts", "min_volts",
	     "min", "Lowest voltage the chip accepts: inN_min on Linux."},
	    {&sensor_reading::max, "pelko_sensor_voltage_max_volts",
		"max_volts", "max",
		"Highest voltage the chip accepts: inN_max on Linux."}}},
    {"current", "pelko_sensor_current_amperes", "gauge", "current_amperes", "A",
	1000, 1000, "Current at the sensor: currN_input on Linux.", {{}, {}}},
    {"power", "pelko_sensor_power_watts", "gauge", "power_watts", "W", 1000000,
	1000000,
	"Power at the sensor: powerN_input, or powerN_average, on Linux.",
	{{}, {}}},
    {"energy", "pelko_sensor_energy_joules_total", "counter", "energy_joules",
	"J", 1000000, 1000000,
	"Energy the sensor counted: energyN_input on Linux.", {{}, {}}},
    {"humidity", "pelko_sensor_humidity_ratio", "gauge", "humidity_ratio", "%",
	100000, 1000,
	"Relative humidity at the sensor, from 0 to 1: humidityN_input on "
	"Linux.",
	{{}, {}}},
};

const sensor_fields &fields_of(sensor_kind kind)
{
	return sensor_table[static_cast<int>(kind)];
}

void print_sensor_value(const source_units &s, sensor_kind kind, int64_t value)
{
	if (kind == sensor_kind::temperature)
		print_celsius(s.temperature, static_cast<int32_t>(value));
	else
		print_decimal(value, fields_of(kind).divisor);
}

void print_hertz(const source_units &s, int64_t frequency)
{
	print_decimal(frequency * s.hertz_per_frequency, 1);
}
