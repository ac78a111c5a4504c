// SPDX-License-Identifier: BSD-2-Clause
#include "fields.h"

#include "format/format.h"
#include "format/print.h"

// Constant-initialized but for the rows copied from others; the check
// takes a lambda's conversion to a function pointer for a call that may
// throw.
// NOLINTBEGIN(cert-err58-cpp)

namespace {

using sensor_row = row<sensor_reading>;

template <sensor_value sensor_reading::*member>
value get(const sensor_reading &s, const readings &)
{
	return {(s.*member).known, (s.*member).value};
}

constexpr auto reading = get<&sensor_reading::value>;
constexpr auto min = get<&sensor_reading::min>;
constexpr auto max = get<&sensor_reading::max>;
constexpr auto critical = get<&sensor_reading::critical>;

// A kind's row, and its limits' rows: the key of a limit is its JSON key.
constexpr sensor_row value_row(const char *key, const char *type, shape as,
    scale in, line x, const char *help) noexcept
{
	return {key, nullptr, type, as, in, part::extra, x, help, reading};
}

constexpr sensor_row limit_row(const char *key, const char *family,
    const char *text, const sensor_row &of, const char *help,
    value (*get)(const sensor_reading &, const readings &)) noexcept
{
	return {key, family, gauge, of.as, of.in, part::extra,
	    {of.x.as, text, of.x.in}, help, get};
}

constexpr scale one = {nullptr, 1}, milli = {nullptr, 1000},
		micro = {nullptr, 1000000};

const sensor_row temperature = value_row("temperature_celsius", gauge,
    shape::celsius, one, {shown::celsius, "", one, nullptr, false},
    "Temperature of the sensor: tempN_input of a hwmon chip on Linux, a dev. "
    "variable in tenths of a kelvin on FreeBSD.");
const sensor_row temperatures[] = {temperature,
    limit_row("max_celsius", "pelko_sensor_temperature_max_celsius", "max",
	temperature,
	"Highest temperature the chip's driver sets for the sensor: tempN_max "
	"on Linux.",
	max),
    limit_row("critical_celsius", "pelko_sensor_temperature_critical_celsius",
	"crit", temperature,
	"Critical temperature of the sensor: tempN_crit on Linux.", critical)};

const sensor_row fan = value_row("fan_rpm", gauge, shape::number, one,
    {shown::number, "", one, "RPM", false},
    "Speed of the fan: fanN_input on Linux; dev.acpi_ibm.N.fan_speed, "
    "dev.asmc.N.fan.M.speed and dev.aibs.N.fan.M on FreeBSD.");
const sensor_row fans[] = {fan,
    limit_row("min_rpm", "pelko_sensor_fan_min_rpm", "min", fan,
	"Lowest speed of a working fan: fanN_min on Linux.", min)};

const sensor_row voltage = value_row("voltage_volts", gauge, shape::number,
    milli, {shown::number, "", milli, "V", false},
    "Voltage at the sensor: inN_input on Linux, dev.aibs.N.volt.M on "
    "FreeBSD.");
const sensor_row voltages[] = {voltage,
    limit_row("min_volts", "pelko_sensor_voltage_min_volts", "min", voltage,
	"Lowest voltage the chip accepts: inN_min on Linux.", min),
    limit_row("max_volts", "pelko_sensor_voltage_max_volts", "max", voltage,
	"Highest voltage the chip accepts: inN_max on Linux.", max)};

const sensor_row currents[] = {value_row("current_amperes", gauge,
    shape::number, milli, {shown::number, "", milli, "A", false},
    "Current at the sensor: currN_input on Linux.")};

const sensor_row powers[] = {value_row("power_watts", gauge, shape::number,
    micro, {shown::number, "", micro, "W", false},
    "Power at the sensor: powerN_input, or powerN_average, on Linux.")};

const sensor_row energies[] = {value_row("energy_joules", counter,
    shape::number, micro, {shown::number, "", micro, "J", false},
    "Energy the sensor counted: energyN_input on Linux.")};

// A ratio in the metrics and JSON, a percentage in -x.
const sensor_row humidities[] = {
    value_row("humidity_ratio", gauge, shape::number, {nullptr, 100000},
	{shown::number, "", {nullptr, 1000}, "%", false},
	"Relative humidity at the sensor, from 0 to 1: humidityN_input on "
	"Linux.")};

const sensor_row alarms[] = {
    {"alarm", nullptr, gauge, shape::boolean, one, part::extra, {},
	"Whether the sensor's chip raises an alarm for it: the _alarm, "
	"_min_alarm, _max_alarm and _crit_alarm files on Linux.",
	[](const sensor_reading &s, const readings &) -> value {
		return {s.alarm >= 0, s.alarm};
	}}};

void labels(const sensor_reading &s)
{
	report_fputs("chip=");
	print_quoted(s.chip, sizeof s.chip);
	report_fputs(",sensor=");
	print_quoted(s.label, sizeof s.label);
}

// The JSON members that name a sensor, its kind among them.
void identity(const sensor_reading &s)
{
	static const char *const kinds[sensor_kind_count] = {"temperature",
	    "fan", "voltage", "current", "power", "energy", "humidity"};

	report_fputs("\"chip\":");
	print_quoted(s.chip, sizeof s.chip);
	report_fputs(",\"sensor\":");
	print_quoted(s.label, sizeof s.label);
	report_print(",\"kind\":\"%s\"", kinds[static_cast<int>(s.kind)]);
}

} // namespace

const table<sensor_reading> sensor_tables[sensor_kind_count] = {
    {"sensor", labels, identity, nullptr, temperatures},
    {"sensor", labels, identity, nullptr, fans},
    {"sensor", labels, identity, nullptr, voltages},
    {"sensor", labels, identity, nullptr, currents},
    {"sensor", labels, identity, nullptr, powers},
    {"sensor", labels, identity, nullptr, energies},
    {"sensor", labels, identity, nullptr, humidities},
};

const table<sensor_reading> alarm_table = {"sensor", labels, nullptr, nullptr,
    alarms};
// NOLINTEND(cert-err58-cpp)
