// SPDX-License-Identifier: BSD-2-Clause
#include <stdio.h>
#include <time.h>

#include <new>

#include "battery/battery.h"
#include "flags/flags.h"
#include "format/print.h"
#include "json/json.h"
#include "limits/limits.h"
#include "metrics/metrics.h"
#include "power/power.h"
#include "readings/collect.h"
#include "report.h"
#include "sensors/fields.h"
#include "temperature/temperature.h"

// The readings of the report being written; kept between reports only so
// that their lists keep their memory: each report reads every value anew.
// Made in zeroed storage when the program starts, and ended at exit like
// any static: a static record with its members' initial values would carry
// some 18 KB of them in the binary.
namespace {

struct report_record {
	alignas(readings) unsigned char storage[sizeof(readings)];
	readings *made = new (storage) readings;
	// The storage is raw: the record made in it initializes it.
	// cppcheck-suppress uninitMemberVar
	report_record() = default;
	report_record(const report_record &) = delete;
	report_record &operator=(const report_record &) = delete;
	~report_record() { made->~readings(); }
};

report_record record;

} // namespace

static readings &current = *record.made;

// The readings beyond the report are read only when an output shows them:
// the plain report reads nothing more than it shows.
static void begin(bool extended)
{
	current.extended = extended;
	current.sample_power = false;
	begin_readings(&current);
}

void report_all()
{
	begin((report_flags & FLAG_EXTENDED) != 0);
	report_puts("\t\t\t\t\tCurrent\t\t\t\tUnit");
	collect_cpus(&current);
	report_coretemp(current);
	collect_zones(&current);
	report_thermal_zones(current);
	collect_summary(&current);
	report_battery_sysctl(current);
	// The extended sections come whatever the battery device said; the
	// status stays the plain report's.
	collect_battery_units(&current, !current.extended);
	report_battery_device(current);
	if (!current.extended)
		return;
	report_power_supply(current);
	report_battery_wear(current);
	report_thermal_limits(current);
	report_cooling_devices(current);
	report_packages(current);
	current.sample_power = true;
	collect_power(&current);
	report_power_notice(current);
	report_power(current);
	collect_sensors(&current);
	report_sensors(current);
	require_battery_device(current);
}

// Every section read before any is written.  A battery device that cannot
// be opened leaves out the units, never the rest.
static void collect_all()
{
	collect_cpus(&current);
	collect_zones(&current);
	collect_summary(&current);
	collect_battery_units(&current, false);
	collect_sensors(&current);
	collect_power(&current);
	report_power_notice(current);
	end_readings(&current);
}

void report_metrics()
{
	begin(true);
	collect_all();
	write_metrics(current);
}

void report_json()
{
	begin(true);
	current.time = time(nullptr);
	collect_all();
	write_json(current);
}
