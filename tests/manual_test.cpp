// SPDX-License-Identifier: BSD-2-Clause
// The manual page names every metric family and JSON key of the tables,
// and every alert of the rules that ship with pelko; -x shows every value
// of the tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "sensors/fields.h"
#include "tables/table.h"

namespace {

std::string whole(const std::string &path)
{
	std::ifstream in(path);
	std::stringstream text;
	text << in.rdbuf();
	return text.str();
}

template <typename E>
void names_of(const table<E> &t, std::vector<std::string> *names)
{
	for (const row &w : t.rows) {
		if (has_member(w))
			names->push_back(w.key);
		if (!has_family(w))
			continue;
		names->push_back(family_of(t, w));
	}
}

// Calls f for every table.
template <typename F>
void each_table(F f)
{
	f(cpu_table);
	f(package_table);
	f(die_table);
	f(zone_table);
	f(trip_table);
	f(power_table);
	f(summary_table);
	f(battery_table);
	f(supply_table);
	f(cooling_table);
	for (const table<sensor_reading> &t : sensor_tables)
		f(t);
	f(alarm_table);
	f(power_domain_table);
}

TEST(Manual, NamesEveryFamilyKeyAndAlert)
{
	const std::string manual = whole(PELKO_SOURCE "/docs/pelko.1");
	const std::string rules =
	    whole(PELKO_SOURCE "/share/prometheus/pelko.rules.yml");
	std::vector<std::string> names;
	each_table([&](const auto &t) { names_of(t, &names); });
	const std::regex alert("- alert: (\\w+)");
	for (std::sregex_iterator m(rules.begin(), rules.end(), alert), end;
	     m != end; ++m)
		names.push_back((*m)[1]);
	ASSERT_GT(names.size(), 80u);
	for (const std::string &name : names) {
		const std::regex word(
		    "(^|[^A-Za-z0-9_])" + name + "($|[^A-Za-z0-9_])");
		EXPECT_TRUE(std::regex_search(manual, word)) << name;
	}
}

// Every value that the metrics or JSON show has an -x line, or stands in
// the plain report already (by entity and key below), or in the sensors'
// own line (their alarm).  The power domains' counters and the window of
// their power, which differs from run to run, are the metrics' alone.  An
// info sample shows its text rows.
TEST(Extended, ShowsEveryValue)
{
	const std::vector<std::string> elsewhere = {"cpu temperature_celsius",
	    "thermal_zone temperature_celsius", "battery_total batteries",
	    "battery_total remaining_ratio",
	    "battery_total time_remaining_seconds", "battery_total charging",
	    "battery_total discharging", "battery_total critical",
	    "battery present", "battery model", "battery serial",
	    "battery type", "battery oem", "battery technology",
	    "battery design_capacity_watthours",
	    "battery design_capacity_amphours",
	    "battery last_full_capacity_watthours",
	    "battery last_full_capacity_amphours",
	    "battery design_voltage_volts", "battery remaining_ratio",
	    "battery time_remaining_seconds", "battery rate_watts",
	    "battery rate_amperes", "battery voltage_volts", "battery charging",
	    "battery discharging", "battery critical", "sensor alarm",
	    "power_domain energy_joules", "power_domain max_energy_joules",
	    "power_domain power_interval_seconds"};
	each_table([&](const auto &t) {
		for (const auto &w : t.rows) {
			std::string name = std::string(t.entity) + " " +
			    (w.key != nullptr ? w.key : family_of(t, w));
			if (!(has_family(w) || has_member(w)) ||
			    w.as == shape::info || w.x.as != shown::none)
				continue;
			EXPECT_NE(std::find(elsewhere.begin(), elsewhere.end(),
				      name),
			    elsewhere.end())
			    << name;
		}
	});
}

} // namespace
