// SPDX-License-Identifier: BSD-2-Clause
// The readings of one report, as a reader takes them from its system and
// before any writer formats them.  Every value stays in its source's own
// units until it is written: converting early loses digits.
#pragma once

#include <cstddef>
#include <cstdint>

#include "format/format.h"
#include "lists/grow_list.h"
#include "sensor.h"

// The scales a source gives temperatures in.
enum class temperature_scale : uint8_t { decikelvin, millicelsius };

// The units of the source, which its reader sets: battery amounts in
// milli-units (mWh, mW, mAh, mA, mV) or micro-units, times in minutes or
// seconds, CPU frequencies in MHz or kHz.
struct source_units {
	temperature_scale temperature;
	int64_t micro_per_amount;    // 1000 for milli-units, 1 for micro-units
	int64_t seconds_per_time;    // 60 for minutes, 1 for seconds
	int64_t hertz_per_frequency; // 1000000 for MHz, 1000 for kHz
};

// Every member of the record starts unknown: a reader fills in what it
// knows and leaves the rest.  A number that may be unknown is a
// sensor_value, in the source's units (a temperature in its scale); a
// text is "" when unknown.

// What the extended readings (-x, -p, -j) add to a CPU's.
struct cpu_throttling {
	sensor_value logged;	       // throttled since boot: 0 or 1
	sensor_value core_throttles;   // times the core throttled
	sensor_value core_throttle_ms; // for how long
};

// A CPU by its own number, as its system numbers it.
struct cpu_reading {
	int32_t number = -1;
	sensor_value temperature; // its core's
	// Its critical temperature, a firmware setting, read at every report:
	// firmware and drivers change such settings in place.
	sensor_value critical;
	cpu_throttling throttling;
	sensor_value frequency; // the present clock
};

// A CPU package, and the dies within it.
constexpr int max_package_dies = 16;

struct package_reading {
	int32_t package = -1;
	sensor_value temperature;
	sensor_value throttles; // times the package throttled
	int dies = 0;
	sensor_value die[max_package_dies];
};

struct cpu_readings {
	bool count_known = false;
	grow_list<cpu_reading> cpu; // in ascending order of their numbers
	grow_list<package_reading> packages; // in ascending order too
};

// A zone's trip points, firmware settings read at every report: they are
// writable, and changed in place without any event.
constexpr int active_trip_points = 10;

struct zone_limits {
	sensor_value critical;
	sensor_value hot;
	sensor_value passive;
	sensor_value active[active_trip_points];
};

// Calls f(type, reading) for every trip point, in the order the
// outputs show them: "critical", "hot", "passive", "active0" to "active9".
template <typename F>
void each_trip_point(const zone_limits &l, F f)
{
	static const char *const active[active_trip_points] = {"active0",
	    "active1", "active2", "active3", "active4", "active5", "active6",
	    "active7", "active8", "active9"};

	f("critical", l.critical);
	f("hot", l.hot);
	f("passive", l.passive);
	for (int i = 0; i < active_trip_points; i++)
		f(active[i], l.active[i]);
}

// A zone's kind, where its system names one ("acpitz", "x86_pkg_temp").
constexpr size_t zone_type_size = 32;

// A thermal zone by its own number, as its system numbers it.
struct zone_reading {
	int32_t number = -1;
	sensor_value temperature;
	// Its type and trip points, firmware settings read at every report.
	char type[zone_type_size] = {}; // "" when unknown
	zone_limits limits;
	// The active cooling level that runs, as the index of its trip point
	// (0 for active0, the highest), or -1 for none; and whether passive
	// cooling is enabled, any but 0.  Read at every report like the trip
	// points, where the system has them for the zone.
	sensor_value active_cooling;
	sensor_value passive_cooling;
};

// The zones as the reader lists them.
struct zone_readings {
	grow_list<zone_reading> zone; // in ascending order of their numbers
};

// Whether any zone's temperature is known.
bool any_zone_known(const zone_readings &z);

// Whether a firmware limit is one: a critical temperature or trip point
// above 0 °C and at most 200 °C.  Firmware marks an absent one with 0, the
// usual "not set", or with sentinels far outside (-1 tenths of a kelvin,
// -274000 or -273150 millidegrees).
bool plausible_limit(temperature_scale scale, int64_t value);

// The battery summary, every value as the source gives it.
// Its life, time and state are known only where it is supported.
struct battery_summary {
	bool supported = false; // the system has batteries to sum up
	sensor_value life;	// percent
	sensor_value time;	// time left, where there is an estimate
	sensor_value acline;	// 0: off AC; anything else: on AC
	sensor_value state;	// state word over all batteries
	// The number of battery units: known as 0 where the system can tell
	// that it has no battery at all.
	sensor_value units;
	// The life at the precision of its source, from 0 to 1:
	// life_numerator over life_denominator, which is 0 where the whole
	// percent of life is all the source gives.
	int64_t life_numerator = 0;
	int64_t life_denominator = 0;
};

// The state word: bits for discharging, charging and critical; all three
// together mean that the battery is not present.
constexpr int32_t battery_discharging = 1;
constexpr int32_t battery_charging = 2;
constexpr int32_t battery_critical = 4;
constexpr int32_t battery_not_present = 7;

// The highest unit number asked about.
constexpr int max_battery_unit = 64;

// Firmware strings: at most 32 bytes, NUL-terminated when shorter.
constexpr size_t battery_string_size = 32;
// A zone's type is shown by the same rule.
static_assert(zone_type_size == battery_string_size);

// How far the readings of one unit went: each stage but the last names
// the step at which the unit's readings end.
enum class battery_stage : uint8_t {
	invalid_unit, // above max_battery_unit: nothing asked
	no_info,      // the unit could not be asked about
	not_present,  // the battery is not present
	no_design,    // its design data could not be read
	no_charge,    // its charge could not be read
	no_status,    // its status could not be read
	complete,
};

// One battery unit, its amounts in the source's units.
struct battery_unit {
	battery_stage stage = battery_stage::no_info;
	// The design data.
	bool in_charge = false; // mAh and mA; otherwise mWh and mW
	bool primary = false;	// not rechargeable
	sensor_value design_capacity;
	sensor_value last_full_capacity;
	sensor_value design_voltage;
	sensor_value warn_capacity;
	sensor_value low_capacity;
	sensor_value low_warn_granularity;
	sensor_value warn_full_granularity;
	char model[battery_string_size] = {};
	char serial[battery_string_size] = {};
	char type[battery_string_size] = {};
	char oem[battery_string_size] = {};
	// The charge.
	sensor_value state;   // state word
	sensor_value percent; // remaining capacity
	// Whether percent is remaining_capacity over last_full_capacity, which
	// give it to more digits than a whole percent.
	bool percent_from_amounts = false;
	sensor_value time; // time left
	sensor_value rate; // present rate
	// Linux: the seconds to full that the driver estimates.
	sensor_value time_to_full;
	// The status.
	sensor_value status_state; // its own state word
	// Its present rate in the battery's own units, where rate may be in
	// other units (FreeBSD's summary gives mW for every battery).
	sensor_value status_rate;
	sensor_value voltage;
	sensor_value remaining_capacity;
	// The extended readings (-x, -p, -j).
	sensor_value cycles;	   // charge cycles
	sensor_value charge_start; // charging starts below, percent
	sensor_value charge_end;   // and stops at, percent
	// Linux: the driver's own words for its status ("Not charging"), its
	// charge ("Low") and its health ("Good"); "" where it gives none.
	char status[battery_string_size] = {};
	char capacity_level[battery_string_size] = {};
	char health[battery_string_size] = {};
};

// Whether the battery device could be opened and what it said.
enum class battery_device : uint8_t {
	not_opened,    // no device: the units are unknown
	no_support,    // no battery support
	count_unknown, // the unit count could not be read
	listed,	       // count units, the first of them read
};

struct battery_units {
	battery_device device = battery_device::not_opened;
	int32_t count = 0; // with the device listed
	battery_unit unit[max_battery_unit + 1];
};

// A power domain: a part of the machine whose energy the processor
// counts, by its own key as its reader makes it ("intel-rapl:0:1").
constexpr size_t power_text_size = 32;

struct power_domain_reading {
	char domain[power_text_size] = {}; // its key
	// Its name, "package-0", "core", "uncore", "dram", and its label as -x
	// names it, "package0 core".
	char name[power_text_size] = {};
	char label[power_text_size] = {};
	// The energy counted, in units of 1/per joule, as the source counts
	// it.  Within a run the count goes on past the counter's wraps.
	sensor_value energy;
	int64_t per = 1;    // its units in a joule
	sensor_value range; // where the counter wraps, in the same units
	// The energy counted over the last interval_ns nanoseconds, between
	// this report's reading and the one before it.
	sensor_value delta;
	sensor_value interval_ns;
};

struct power_readings {
	grow_list<power_domain_reading> domain; // in the order of their keys
	// What could not be read, for the -d notice: a path and the error
	// number; "" when nothing failed.
	char failed[64] = {};
	int error = 0;
};

// A power supply that is not a battery (the mains, a USB charger), by its
// own name: Linux's class/power_supply entries.  Amounts in the source's
// micro-units, as the driver gives them.
constexpr size_t supply_name_size = 64;
constexpr size_t supply_text_size = 32;

struct supply_reading {
	char name[supply_name_size] = {}; // "AC", "ucsi-source-psy-USBC000:001"
	char type[supply_text_size] = {}; // "Mains", "USB"; "" unknown
	char usb_type[supply_text_size] = {}; // the one in brackets: "PD"; ""
	sensor_value online;		      // 0 offline; above 0 online
	sensor_value voltage;		      // voltage_now
	sensor_value current;		      // current_now
	sensor_value current_max;	      // current_max
};

// A cooling device by its own number: Linux's cooling_deviceN.  Its type
// names what it cools with ("Processor", "Fan", "intel_powerclamp"); its
// state goes from 0 (no cooling) to its maximum state, and may be -1
// where a driver says that it idles.
constexpr size_t cooling_type_size = 32;

struct cooling_reading {
	int32_t number = -1;
	char type[cooling_type_size] = {}; // "" when unknown
	sensor_value state;
	sensor_value max_state;
};

struct readings {
	// When the report was read, in seconds since the epoch (UTC).
	int64_t time = -1;
	// Whether to read what -x, -p and -j show beyond the report: limits,
	// throttling, packages and dies, wear.
	bool extended = false;
	source_units source = {}; // set by the reader at each report
	cpu_readings cpus;
	zone_readings zones;
	battery_summary summary;
	battery_units batteries;
	// With the extended readings: the supplies that are no batteries, in
	// the order of their names, and the cooling devices, in ascending
	// order of their numbers.
	grow_list<supply_reading> supplies;
	grow_list<cooling_reading> cooling;
	// Every sensor of the machine, with the extended readings: by chip,
	// then kind, then number.
	grow_list<sensor_reading> sensors;
	// The processor's energy counters, with the extended readings.
	power_readings power;
	// Whether the power may be sampled: where no reading of an earlier
	// report is kept, a second reading 100 ms after the first (-x alone).
	bool sample_power = false;
	// The same from one report to the next only while every list above
	// holds the same entities under the same numbers, names and labels,
	// in the same order; 0 promises nothing.  A writer keeps what it makes
	// of those under it.  Set by end_readings.
	uint64_t structure = 0;
};

// Whether the unit's health, last full over design capacity, is known.
bool battery_health_known(const battery_unit &u);

// Seconds until the unit is full while it charges: the driver's own
// estimate, or what is missing of the last full capacity over the status
// rate, both in the battery's own units; unknown when it does not charge
// or a value is missing.
sensor_value battery_time_to_full(const battery_unit &u, const source_units &s);

// The same for all charging units together: what is missing of them all
// over their rates summed, as the kernel works out its total time left;
// where a driver estimates a unit's time, that time at its rate is what
// the unit misses.  Counted in energy, a battery that counts charge
// through its design voltage as the kernel does for its summary; where one
// has none, in charge if all count charge.  A unit that charges at rate 0
// (one waits while the other charges) adds what it misses and no rate.
// Unknown when no charging unit has a rate, or what one misses is unknown.
sensor_value battery_total_time_to_full(const readings &r);

// Ratios from 0 to 1 in the machine outputs are written in billionths,
// which tell apart every micro-unit of a battery of up to 1000 Wh.
constexpr int64_t ratio_scale = 1000000000;

// numerator / denominator in billionths, rounded to the nearest and exact
// halves to the even one; both are at least 0, denominator above 0.
int64_t ratio_billionths(int64_t numerator, int64_t denominator);

// A unit's remaining capacity from 0 to 1 in billionths, at the precision
// of its source: remaining over last full capacity where these gave its
// percent, its whole percent otherwise (as the record gives it).
sensor_value battery_remaining_billionths(const battery_unit &u);

// The same for the summary's life.
sensor_value battery_life_billionths(const battery_summary &s);

// The units of count that were read: at most max_battery_unit + 1.
int read_battery_units(const battery_units &b);

// A firmware string as it may be shown, by the rule of printable_text.
template <size_t N>
void printable_string(const char (&field)[N], char (&shown)[N + 1])
{
	printable_text(field, N, shown);
}
