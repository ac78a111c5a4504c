// SPDX-License-Identifier: BSD-2-Clause
// The readings as Prometheus metrics (-p), through pelko-sim, checked by
// promtool.

#include <gtest/gtest.h>

#include "run.h"
#include "sysfs_mount.h"

namespace {

using args = std::vector<std::string>;

const std::string fixtures = PELKO_FIXTURES;

const std::string laptop = read_file(fixtures + "/metrics/laptop.scenario");

TEST(Metrics, LaptopExactly)
{
	SKIP_OR_FAIL_IF(tool_unavailable("/usr/bin/promtool"));
	run_result r =
	    run_sim_file(fixtures + "/metrics/laptop.scenario", {"-p"});
	EXPECT_EQ(r.status, 0);
	EXPECT_EQ(r.out, read_file(fixtures + "/metrics/laptop.prom"));
	EXPECT_EQ(r.err, "");
	EXPECT_EQ(promtool_verdict(r.out), "");
}

// What the laptop's records become when one thing about them changes: the
// lines that must go, and the lines that must stand.
TEST(Metrics, Variations)
{
	SKIP_OR_FAIL_IF(tool_unavailable("/usr/bin/promtool"));
	const struct {
		const char *name;
		std::string scenario;
		std::vector<std::string> absent, present;
	} cases[] = {
	    {"unknown values give no sample",
		"ncpu 1\nnode hw.acpi.battery\nint hw.acpi.battery.time -1\n"
		"int hw.acpi.battery.units 1\nacpi rw\nbattinfo 0 -1 -1 0 -1\n"
		"bif 0 0 -1 -1 1 -1 -1 -1 -1 -1 \"\" \"\" \"\" \"\"\nbst 0 0 -1 -1 -1\n",
		{"pelko_cpu_temperature", "pelko_battery_total_remaining_ratio",
		    "pelko_battery_total_time_remaining", "pelko_ac_online",
		    "pelko_battery_design", "pelko_battery_last_full",
		    "pelko_battery_remaining_ratio",
		    "pelko_battery_time_remaining", "pelko_battery_rate",
		    "pelko_battery_voltage_volts"},
		{"pelko_cpus 1\n", "pelko_batteries 1\n",
		    "pelko_battery_present{unit=\"0\"} 1\n",
		    "pelko_battery_charging{unit=\"0\"} 0\n",
		    std::string(
			"pelko_battery_info{unit=\"0\",model=\"\",serial=\"\",") +
			"type=\"\",oem=\"\",technology=\"secondary\"} 1\n"}},
	    {"a battery not present",
		"node hw.acpi.battery\nint hw.acpi.battery.units 1\nacpi rw\n"
		"battinfo 0 -1 -1 7 -1\n",
		{"pelko_battery_info", "pelko_battery_charging"},
		{"pelko_battery_present{unit=\"0\"} 0\n"}},
	    {"a failed first request",
		"node hw.acpi.battery\nint hw.acpi.battery.units 1\nacpi rw\n",
		{"pelko_battery_present"}, {"pelko_batteries 1\n"}},
	    // A jail without the device still gets every other metric.
	    {"no battery device",
		"ncpu 2\nnode hw.acpi.battery\nint hw.acpi.battery.units 1\n",
		{"pelko_battery_present"},
		{"pelko_cpus 2\n", "pelko_batteries 1\n"}},
	    {"no battery support", "ncpu 2\nacpi rw\n",
		{"pelko_batteries", "pelko_battery", "pelko_ac_online"},
		{"pelko_cpus 2\n"}},
	    {"on AC with no estimate",
		"node hw.acpi.battery\nint hw.acpi.battery.time -1\n"
		"int hw.acpi.acline 1\nacpi rw\n",
		{"pelko_battery_total_time_remaining"},
		{"pelko_ac_online 1\n"}},
	    // Control bytes as '?', then the format's escapes.
	    {"hostile strings",
		"node hw.acpi.battery\nint hw.acpi.battery.units 1\nacpi rw\n"
		"battinfo 0 50 60 1 100\nbattinfo 0 50 60 1 100\n"
		"bif 0 0 1 1 1 1 1 1 1 1 \"a\\\"b\\\\c\" \"x\\ny\\\"} 1\" \"\\x1b[2J\" "
		"\"\\\\\\\"\"\n",
		{},
		{"pelko_battery_info{unit=\"0\",model=\"a\\\"b\\\\c\","
		 "serial=\"x?y\\\"} 1\",type=\"?[2J\",oem=\"\\\\\\\"\","
		 "technology=\"secondary\"} 1\n"}},
	    // Label values must be valid UTF-8: a character cut by the 32
	    // bytes, or any byte above 0x7e, would make the file unreadable.
	    {"bytes beyond ASCII",
		"node hw.acpi.battery\nint hw.acpi.battery.units 1\nacpi rw\n"
		"battinfo 0 50 60 1 100\nbattinfo 0 50 60 1 100\n"
		"bif 0 0 1 1 1 1 1 1 1 1 \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\\xc3\" "
		"\"\\xc3\\xa9\" \"\\x9b\\x80\" \"\\xff\"\n",
		{},
		{"pelko_battery_info{unit=\"0\",model=\"" +
		    std::string(31, 'a') +
		    "?\",serial=\"??\",type=\"??\",oem=\"?\","
		    "technology=\"secondary\"} 1\n"}},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.name);
		run_result r = run_sim(c.scenario, {"-p", "-d"});
		EXPECT_EQ(r.status, 0) << r.err;
		for (const std::string &name : c.absent)
			EXPECT_EQ(r.out.find("\n" + name), std::string::npos)
			    << name << "\n"
			    << r.out;
		for (const std::string &line : c.present)
			EXPECT_NE(r.out.find("\n" + line), std::string::npos)
			    << line << "\n"
			    << r.out;
		EXPECT_EQ(promtool_verdict(r.out), "");
	}
}

TEST(Metrics, OnlyInCelsius)
{
	for (const char *scale : {"-f", "-k"}) {
		SCOPED_TRACE(scale);
		run_result r = run_sim(laptop, {"-p", scale});
		EXPECT_EQ(r.status, 1);
		EXPECT_EQ(r.out, "");
		EXPECT_EQ(r.err,
		    "pelko: -p writes degrees Celsius: it takes neither -f nor -k\n");
	}
}

} // namespace
