// SPDX-License-Identifier: BSD-2-Clause
// The manual page names every metric family and JSON key of the tables,
// and every alert of the rules that ship with pelko.
#include <gtest/gtest.h>

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
	for (const row<E> &w : t.rows) {
		if (has_member(w))
			names->push_back(w.key);
		if (!has_family(w))
			continue;
		names->push_back(family_of(t, w));
	}
}

TEST(Manual, NamesEveryFamilyKeyAndAlert)
{
	const std::string manual = whole(PELKO_SOURCE "/docs/pelko.1");
	const std::string rules =
	    whole(PELKO_SOURCE "/share/prometheus/pelko.rules.yml");
	std::vector<std::string> names;
	names_of(cpu_table, &names);
	names_of(package_table, &names);
	names_of(die_table, &names);
	names_of(zone_table, &names);
	names_of(trip_table, &names);
	names_of(power_table, &names);
	names_of(summary_table, &names);
	names_of(battery_table, &names);
	for (const table<sensor_reading> &t : sensor_tables)
		names_of(t, &names);
	names_of(alarm_table, &names);
	names_of(power_domain_table, &names);
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

} // namespace
