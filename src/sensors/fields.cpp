// SPDX-License-Identifier: BSD-2-Clause
#include "fields.h"

#include "format/format.h"
#include "format/print.h"

// Constant-initialized, as the other tables: no row is copied from
// another, whose family name the copy would have to read at start.  The
// check takes a lambda's conversion to a function pointer for a call that
// may throw.
// NOLINTBEGIN(cert-err58-cpp)

namespace {

template <sensor_value sensor_reading::*member>
constexpr auto get =
    [](const sensor_reading &s, const readings &) { return s.*member; };

constexpr auto reading = get<&sensor_reading::value>;
constexpr auto min = get<&sensor_reading::min>;
constexpr auto max = get<&sensor_reading::max>;
constexpr auto critical = get<&sensor_reading::critical>;
constexpr auto low_critical = get<&sensor_reading::low_critical>;
constexpr auto emergency = get<&sensor_reading::emergency>;
constexpr auto max_hysteresis = get<&sensor_reading::max_hysteresis>;
constexpr auto critical_hysteresis = get<&sensor_reading::critical_hysteresis>;
constexpr auto target = get<&sensor_reading::target>;
constexpr auto cap = get<&sensor_reading::cap>;
constexpr auto pwm_mode = get<&sensor_reading::pwm_mode>;

// A duty cycle of 0 to 255 as a fraction.
constexpr auto pwm = [](const sensor_reading &s, const readings &) -> value {
	return {s.pwm.known, s.pwm.value, 255};
};

constexpr scale one = {nullptr, 1}, milli = {nullptr, 1000},
		micro = {nullptr, 1000000};

// How a kind's value and its limits are written: their shape and scale in
// the metrics and JSON, and the value's -x line, whose unit a limit's
// leaves out.
struct measure {
	shape as;
	scale in;
	line x;
};

constexpr measure celsius = {shape::celsius, one, {shown::celsius, ""}};
constexpr measure rpm = {shape::number, one, {shown::number, "", one, "RPM"}};
constexpr measure volts = {shape::number, milli,
    {shown::number, "", milli, "V"}};
constexpr measure amperes = {shape::number, milli,
    {shown::number, "", milli, "A"}};
constexpr measure watts = {shape::number, micro,
    {shown::number, "", micro, "W"}};

// A kind's row, and its limits' rows: the key of a limit is its JSON key,
// and its family by the rule, after its kind's entity ("sensor_fan"); the
// value's family is spelt out, "pelko_sensor_" and its key.
constexpr row value_row(const char *key, const char *family, metric_type type,
    const measure &m, const char *help) noexcept
{
	return {key, family, type, m.as, m.in, part::extra, m.x, help, reading};
}

constexpr row limit_row(const char *key, const char *text, const measure &of,
    const char *help, of_entity<value, const readings &> get) noexcept
{
	return {key, nullptr, gauge, of.as, of.in, part::extra,
	    {of.x.as, text, of.x.in}, help, get};
}

const row temperatures[] = {
    value_row("temperature_celsius", "pelko_sensor_temperature_celsius", gauge,
	celsius,
	"Temperature of the sensor: tempN_input of a hwmon chip on Linux, a "
	"dev. variable in tenths of a kelvin on FreeBSD."),
    limit_row("max_celsius", "max", celsius,
	"Highest temperature the chip's driver sets for the sensor: tempN_max "
	"on Linux.",
	max),
    limit_row("critical_celsius", "crit", celsius,
	"Critical temperature of the sensor: tempN_crit on Linux.", critical),
    limit_row("min_celsius", "min", celsius,
	"Lowest temperature the chip's driver sets for the sensor: tempN_min "
	"on Linux.",
	min),
    limit_row("low_critical_celsius", "lcrit", celsius,
	"Critical low temperature of the sensor: tempN_lcrit on Linux.",
	low_critical),
    limit_row("max_hysteresis_celsius", "max hyst", celsius,
	"Temperature at which the sensor's max alarm clears: tempN_max_hyst "
	"on Linux.",
	max_hysteresis),
    limit_row("critical_hysteresis_celsius", "crit hyst", celsius,
	"Temperature at which the sensor's critical alarm clears: "
	"tempN_crit_hyst on Linux.",
	critical_hysteresis),
    limit_row("emergency_celsius", "emerg", celsius,
	"Emergency temperature of the sensor, above its critical one: "
	"tempN_emergency on Linux.",
	emergency)};

const row fans[] = {
    value_row("fan_rpm", "pelko_sensor_fan_rpm", gauge, rpm,
	"Speed of the fan: fanN_input on Linux; dev.acpi_ibm.N.fan_speed, "
	"dev.asmc.N.fan.M.speed and dev.aibs.N.fan.M on FreeBSD."),
    limit_row("min_rpm", "min", rpm,
	"Lowest speed of a working fan: fanN_min on Linux.", min),
    limit_row("max_rpm", "max", rpm,
	"Highest speed of the fan: fanN_max on Linux.", max),
    limit_row("target_rpm", "target", rpm,
	"Speed the fan's controller aims for: fanN_target on Linux.", target),
    {"pwm_ratio", nullptr, gauge, shape::fraction, one, part::extra,
	{shown::percent, "pwm"},
	"Duty cycle of the fan's control, from 0 to 1: pwmN over 255 on "
	"Linux.",
	pwm},
    {"pwm_mode", nullptr, gauge, shape::number, one, part::extra,
	{shown::number, "mode"},
	"How the fan's control is set, as its driver numbers it (0 full "
	"speed, 1 by hand, 2 and above automatic): pwmN_enable on Linux.",
	pwm_mode}};

const row voltages[] =
    {value_row("voltage_volts", "pelko_sensor_voltage_volts", gauge, volts,
	 "Voltage at the sensor: inN_input on Linux, dev.aibs.N.volt.M on "
	 "FreeBSD."),
	limit_row("min_volts", "min", volts,
	    "Lowest voltage the chip accepts: inN_min on Linux.", min),
	limit_row("max_volts", "max", volts,
	    "Highest voltage the chip accepts: inN_max on Linux.", max),
	limit_row("low_critical_volts", "lcrit", volts,
	    "Critical low voltage: inN_lcrit on Linux.", low_critical),
	limit_row("critical_volts", "crit", volts,
	    "Critical high voltage: inN_crit on Linux.", critical)};

const row currents[] = {value_row("current_amperes",
			    "pelko_sensor_current_amperes", gauge, amperes,
			    "Current at the sensor: currN_input on Linux."),
    limit_row("max_amperes", "max", amperes,
	"Highest current the chip accepts: currN_max on Linux.", max),
    limit_row("critical_amperes", "crit", amperes,
	"Critical current: currN_crit on Linux.", critical)};

const row powers[] =
    {value_row("power_watts", "pelko_sensor_power_watts", gauge, watts,
	 "Power at the sensor: powerN_input, or powerN_average, on Linux."),
	limit_row("max_watts", "max", watts,
	    "Highest power the chip accepts: powerN_max on Linux.", max),
	limit_row("cap_watts", "cap", watts,
	    "Power the chip is held to: powerN_cap on Linux.", cap)};

const row energies[] = {
    value_row("energy_joules", "pelko_sensor_energy_joules_total", counter,
	{shape::number, micro, {shown::number, "", micro, "J"}},
	"Energy the sensor counted: energyN_input on Linux.")};

// A ratio in the metrics and JSON, a percentage in -x.
const row humidities[] = {
    value_row("humidity_ratio", "pelko_sensor_humidity_ratio", gauge,
	{shape::number, {nullptr, 100000},
	    {shown::number, "", {nullptr, 1000}, "%"}},
	"Relative humidity at the sensor, from 0 to 1: humidityN_input on "
	"Linux.")};

const row alarms[] = {
    {"alarm", nullptr, gauge, shape::boolean, one, part::extra, {},
	"Whether the sensor's chip raises an alarm for it, or a case switch "
	"says the case was opened: the _alarm, _min_alarm, _max_alarm, "
	"_crit_alarm, _lcrit_alarm, _emergency_alarm and _cap_alarm files on "
	"Linux, intrusionN_alarm among them.",
	get<&sensor_reading::alarm>}};

constexpr auto labels = [](const sensor_reading &s) {
	report_fputs("chip=");
	print_quoted(s.chip, sizeof s.chip);
	report_fputs(",sensor=");
	print_quoted(s.label, sizeof s.label);
};

const char *const kinds[sensor_kind_count] = {"temperature", "fan", "voltage",
    "current", "power", "energy", "humidity", "intrusion"};

// The JSON members that name a sensor, its kind among them.
constexpr auto identity = [](const sensor_reading &s) {
	report_fputs("\"chip\":");
	print_quoted(s.chip, sizeof s.chip);
	report_fputs(",\"sensor\":");
	print_quoted(s.label, sizeof s.label);
	report_print(",\"kind\":\"%s\"", kinds[static_cast<int>(s.kind)]);
};

} // namespace

const table<sensor_reading> sensor_tables[sensor_kind_count] = {
    {"sensor_temperature", labels, identity, nullptr, temperatures},
    {"sensor_fan", labels, identity, nullptr, fans},
    {"sensor_voltage", labels, identity, nullptr, voltages},
    {"sensor_current", labels, identity, nullptr, currents},
    {"sensor_power", labels, identity, nullptr, powers},
    {"sensor_energy", labels, identity, nullptr, energies},
    {"sensor_humidity", labels, identity, nullptr, humidities},
    // A case switch has its alarm alone.
    {"sensor", labels, identity, nullptr, {}},
};

const table<sensor_reading> alarm_table = {"sensor", labels, nullptr, nullptr,
    alarms};
// NOLINTEND(cert-err58-cpp)
