// SPDX-License-Identifier: BSD-2-Clause
// What -x, -p and -j show beyond the report: battery wear, thermal limits,
// throttling, packages; and the JSON document, checked by real parsers
// against the metrics.

#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>

#include <string>
#include <vector>

#include "run.h"
#include "sysfs_mount.h"

namespace {

using args = std::vector<std::string>;

const std::string fixtures = PELKO_FIXTURES;

bool has(const std::string &text, const std::string &line)
{
	return text.find(line) != std::string::npos;
}

// The output of -x begins with the plain report, byte for byte.
void expect_plain_report_first(const std::string &scenario)
{
	std::string plain = run_sim(scenario, {}).out;
	std::string extended = run_sim(scenario, {"-x"}).out;
	EXPECT_EQ(extended.substr(0, plain.size()), plain);
}

const std::string one_battery =
    "node hw.acpi.battery\nint hw.acpi.battery.units 1\nacpi rw\n"
    "battinfo 0 87 125 1 9500\nbst 0 1 9500 39000 12300\n";

// When to trust a cycle count and a health, and how each output shows
// them; unknown is "unknown" in the text and no sample in the metrics.
TEST(Extended, BatteryWearTrustRules)
{
	const std::string design =
	    "1 11100 2400 800 10 10 \"M\" \"S\" \"T\" \"O\"";
	const struct {
		const char *name;
		std::string bif, bix;
		const char *cycles, *health, *ratio; // nullptr: unknown
	} cases[] = {
	    {"no extended record: an older kernel", "0 48000 45123",
		"bix 0 fail", nullptr, "94.0", "0.9401"},
	    {"a record made from the plain information", "0 48000 45123",
		"bix 0 65535 57", nullptr, "94.0", "0.9401"},
	    {"revision 0, not counted", "0 48000 45123", "bix 0 0 0", nullptr,
		"94.0", "0.9401"},
	    {"revision 0, all ones", "0 48000 45123", "bix 0 0 4294967295",
		nullptr, "94.0", "0.9401"},
	    {"revision 1, counted", "0 48000 45123", "bix 0 1 112", "112",
		"94.0", "0.9401"},
	    {"a new pack above its design", "0 48000 50000", "bix 0 0 3", "3",
		"104.2", "1.0417"},
	    {"no design capacity", "0 0 45123", "bix 0 0 3", "3", nullptr,
		nullptr},
	    {"in mAh", "1 4400 4000", "bix 0 0 3", "3", "90.9", "0.9091"},
	    // The cycles belong to the design data, in every output.
	    {"no design data", "fail", "bix 0 1 112", nullptr, nullptr,
		nullptr},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.name);
		std::string scenario = one_battery + "bif 0 " + c.bif +
		    (c.bif == "fail" ? "" : " " + design) + "\n" + c.bix + "\n";
		expect_plain_report_first(scenario);
		run_result x = run_sim(scenario, {"-x"});
		run_result p = run_sim(scenario, {"-p"});
		run_result j = run_sim(scenario, {"-j"});
		EXPECT_EQ(x.status, 0) << x.err;
		// Unknown: "unknown", or no section at all.
		EXPECT_EQ(has(x.out,
			      std::string("\tbattery0 cycle count:\t\t") +
				  (c.cycles ? c.cycles : "unknown") + "\n"),
		    c.cycles != nullptr || has(x.out, "[Battery wear]"))
		    << x.out;
		EXPECT_EQ(has(x.out,
			      std::string("\tbattery0 health:\t\t") +
				  (c.health ? std::string(c.health) +
					      "\t\t\t\tpercent"
					    : "unknown") +
				  "\n"),
		    c.health != nullptr || has(x.out, "[Battery wear]"))
		    << x.out;
		EXPECT_TRUE(has(j.out,
		    std::string("\"cycles\":") +
			(c.cycles ? c.cycles : "null")))
		    << j.out;
		EXPECT_EQ(has(p.out,
			      "\npelko_battery_cycles{unit=\"0\"} " +
				  std::string(c.cycles ? c.cycles : "") + "\n"),
		    c.cycles != nullptr)
		    << p.out;
		EXPECT_EQ(has(p.out,
			      "\npelko_battery_health_ratio{unit=\"0\"} " +
				  std::string(c.ratio ? c.ratio : "") + "\n"),
		    c.ratio != nullptr)
		    << p.out;
	}
}

const std::string one_zone =
    "ncpu 1\nint hw.acpi.thermal.tz0.temperature 3000\nacpi rw\n";

// Trip points: only those set and from 0 to 200 degrees, in the scale the
// options chose; and the zone's active cooling level and passive cooling.
TEST(Extended, TripPoints)
{
	const struct {
		const char *name;
		std::string variables;
		args options;
		std::vector<std::string> lines; // of -x; none: no section
		std::vector<std::string> samples;
	} cases[] = {
	    {"none set", "int hw.acpi.thermal.tz0._CRT -1\n", {}, {}, {}},
	    {"0 degrees is not set", "int hw.acpi.thermal.tz0._PSV 2731\n", {},
		{}, {}},
	    {"two active levels",
		"ints hw.acpi.thermal.tz0._ACx 3431 3331 -1 -1 -1 -1 -1 -1 -1 "
		"-1\n",
		{},
		{"\ttz0 active0:\t\t\t70.0\t\t\t\tC\n",
		    "\ttz0 active1:\t\t\t60.0\t\t\t\tC\n"},
		{"{zone=\"tz0\",type=\"active0\"} 70.0\n",
		    "{zone=\"tz0\",type=\"active1\"} 60.0\n"}},
	    {"201 degrees is no trip point",
		"int hw.acpi.thermal.tz0._CRT 4741\n"
		"int hw.acpi.thermal.tz0._PSV 3631\n",
		{}, {"\ttz0 passive:\t\t\t90.0\t\t\t\tC\n"},
		{"{zone=\"tz0\",type=\"passive\"} 90.0\n"}},
	    {"in Fahrenheit like the readings",
		"int hw.acpi.thermal.tz0._CRT 3731\n", {"-f"},
		{"\ttz0 critical:\t\t\t211.9\t\t\t\tF\n"},
		{"{zone=\"tz0\",type=\"critical\"} 100.0\n"}},
	    // The zone's cooling stands among its limits.
	    {"the highest active level, passive cooling enabled",
		"int hw.acpi.thermal.tz0.active 0\n"
		"int hw.acpi.thermal.tz0.passive_cooling 1\n",
		{},
		{"\ttz0 active cooling:\t\tactive0\n",
		    "\ttz0 passive cooling:\t\tyes\n"},
		{}},
	    {"no active level, passive cooling disabled",
		"int hw.acpi.thermal.tz0.active -1\n"
		"int hw.acpi.thermal.tz0.passive_cooling 0\n",
		{},
		{"\ttz0 active cooling:\t\tnone\n",
		    "\ttz0 passive cooling:\t\tno\n"},
		{}},
	    {"a level the kernel does not know yet",
		"int hw.acpi.thermal.tz0.active -2\n", {}, {}, {}},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.name);
		std::string scenario = one_zone + c.variables;
		args x = c.options;
		x.push_back("-x");
		std::string text = run_sim(scenario, x).out;
		std::string metrics = run_sim(scenario, {"-p"}).out;
		EXPECT_EQ(has(text, "[Thermal limits]"), !c.lines.empty());
		for (const std::string &line : c.lines)
			EXPECT_TRUE(has(text, line)) << text;
		EXPECT_EQ(has(metrics,
			      "pelko_thermal_zone_trip_point_celsius{"),
		    !c.samples.empty());
		for (const std::string &sample : c.samples)
			EXPECT_TRUE(has(metrics,
			    "\npelko_thermal_zone_trip_point_celsius" + sample))
			    << metrics;
	}
}

// The JSON document of each run: one line, and a document that jq parses
// (jq is there wherever the tests run as root, and in CI).
std::string json_verdict(const std::string &json)
{
	if (json.find('\n') != json.size() - 1)
		return "not one document on one line";
	if (geteuid() != 0 && getenv("CI") == nullptr)
		return "";
	char path[] = "/tmp/pelko-json-XXXXXX";
	int fd = mkstemp(path);
	if (fd < 0 || write(fd, json.data(), json.size()) < 0)
		return "cannot write the document";
	close(fd);
	run_result jq = run_command({"/bin/sh", "-c",
	    "jq -e '.pelko.schema_version == 1' \"$1\" >/dev/null", "sh",
	    path});
	unlink(path);
	return jq.status == 0 ? "" : "jq: " + jq.out + jq.err;
}

// A series of the metrics that stands twice: "" when none does.
std::string twice(const std::string &metrics)
{
	std::set<std::string> seen;
	std::istringstream lines(metrics);
	for (std::string line; std::getline(lines, line);)
		if (line[0] != '#' &&
		    !seen.insert(line.substr(0, line.rfind(' '))).second)
			return line;
	return "";
}

// A variable in tenths of a kelvin, which the walk below dev. finds.
std::string kelvin_variable(const std::string &name, int value)
{
	return "int " + name + " " + std::to_string(value) + "\nfmt " + name +
	    " IK\n";
}

TEST(Json, Scenarios)
{
	const std::string driver(70, 'd');
	const std::string laptop =
	    read_file(fixtures + "/metrics/laptop.scenario");
	const struct {
		const char *name;
		std::string scenario;
		std::string sample, line; // in -p and in -x, where given
	} cases[] = {
	    // 2000 of 4000 mAh missing at 1500 mA.
	    {"two batteries, mWh and mAh", laptop,
		"pelko_battery_time_to_full_seconds{unit=\"1\"} 4800",
		"\tbattery1 time to full:\t\t1:20\n"},
	    {"no battery", "ncpu 2\nint dev.cpu.0.temperature 3232\nacpi rw\n",
		"", ""},
	    {"no device", "ncpu 1\nnode hw.acpi.battery\n", "", ""},
	    {"hostile strings",
		one_battery +
		    "bif 0 0 48000 45123 1 11100 2400 800 10 10 "
		    "\"a\\\"b\\\\c\" \"\\xc3\\xa9\\x9b\" \"\\t\\n\" \"}\"\n",
		"", ""},
	    {"a unit beyond the last",
		"node hw.acpi.battery\n"
		"int hw.acpi.battery.units 66\nacpi rw\n",
		"", ""},
	    // 45000 - 27500 mWh missing at 15000 mW: the status's rate, not
	    // the summary's.
	    {"charging in mWh",
		"node hw.acpi.battery\nint hw.acpi.battery.units 1\nacpi rw\n"
		"battinfo 0 61 -1 2 12000\nbst 0 2 15000 27500 12300\n"
		"bif 0 0 48000 45000 1 11100 2400 800 10 10 \"M\" \"S\" "
		"\"T\" \"O\"\n",
		"pelko_battery_total_time_to_full_seconds 4200",
		"\tbattery0 time to full:\t\t1:10\n"},
	    // 2000 mAh missing at 2000 mA; the summary gives 22200 mW.
	    {"charging in mAh",
		"node hw.acpi.battery\nint hw.acpi.battery.units 1\nacpi rw\n"
		"battinfo 0 50 -1 2 22200\nbst 0 2 2000 2000 11800\n"
		"bif 0 1 4400 4000 1 11100 200 100 1 1 \"M\" \"S\" "
		"\"T\" \"O\"\n",
		"pelko_battery_time_to_full_seconds{unit=\"0\"} 3600",
		"\tbattery0 time to full:\t\t1:00\n"},
	    // The second waits at rate 0: 17500 mWh and 2000 mAh at 11.1 V
	    // missing, at 15000 mW.
	    {"two batteries charging one at a time",
		"node hw.acpi.battery\nint hw.acpi.battery.units 2\nacpi rw\n"
		"battinfo 0 61 -1 2 15000\nbst 0 2 15000 27500 12300\n"
		"bif 0 0 48000 45000 1 11100 2400 800 10 10 \"M\" \"S\" "
		"\"T\" \"O\"\n"
		"battinfo 1 50 -1 2 0\nbst 1 2 0 2000 11800\n"
		"bif 1 1 4400 4000 1 11100 200 100 1 1 \"M\" \"S\" "
		"\"T\" \"O\"\n",
		"pelko_battery_total_time_to_full_seconds 9528",
		"\tbattery0 time to full:\t\t1:10\n"},
	    // Just below 0 °C: "-0.0" in the report, 0.0 in -p and -j.
	    {"a temperature of 2731",
		"ncpu 1\nint dev.cpu.0.temperature 2731\nacpi rw\n",
		"pelko_cpu_temperature_celsius{cpu=\"0\"} 0.0",
		"\tCPU0:\t\t\t\t-0.0\t\t\t\tC\n"},
	    // Sensors found by walking dev.: those formatted in tenths of a
	    // kelvin but the CPU lines, a ThinkPad's fan, the CPU's clock.
	    {"a laptop's sensors",
		"ncpu 1\nint dev.cpu.0.temperature 3232\n"
		"fmt dev.cpu.0.temperature IK\nint dev.cpu.0.freq 2400\n"
		"int dev.jedec_dimm.3.temp 3101\nfmt dev.jedec_dimm.3.temp IK\n"
		"int dev.pchtherm.0.temperature 3231\n"
		"fmt dev.pchtherm.0.temperature IK\n"
		"int dev.acpi_ibm.0.fan_speed 2950\nacpi rw\n",
		"pelko_sensor_temperature_celsius{chip=\"jedec_dimm3\","
		"sensor=\"temp\"} 37.0",
		"\tCPU0 frequency:\t\t\t2400\t\t\t\tMHz\n"},
	    // The ATK0110's sensors with their ranges.
	    {"an ASUS board",
		"ints dev.aibs.0.temp.0 3011 3531 3681\n"
		"ints dev.aibs.0.fan.0 878 600 7200\n"
		"ints dev.aibs.0.volt.0 1192 850 1600\nacpi rw\n",
		"pelko_sensor_voltage_min_volts{chip=\"aibs0\","
		"sensor=\"volt.0\"} 0.85",
		"\taibs0 temp.0:\t\t\t28.0\t\t\t\tC\tmax 80.0\tcrit 95.0\n"},
	    {"an Apple laptop",
		"int dev.asmc.0.fan.0.speed 1998\n"
		"int dev.asmc.0.fan.0.minspeed 2160\n"
		"int dev.asmc.0.fan.0.maxspeed 6156\nacpi rw\n",
		"pelko_sensor_fan_rpm{chip=\"asmc0\",sensor=\"fan.0\"} 1998",
		"\tasmc0 fan.0:\t\t\t1998\t\t\t\tRPM\tmin 2160\tmax 6156\n"},
	    // Devices whose names meet once made a chip name: the later one
	    // is named with its count.
	    {"chip names that collide",
		kelvin_variable("dev.a.11.temp", 3000) +
		    kelvin_variable("dev.a1.1.temp", 3010) +
		    kelvin_variable("dev.foo.1.temp", 3020) +
		    kelvin_variable("dev.foo.01.temp", 3030) +
		    kelvin_variable("dev." + driver + ".0.temp", 3040) +
		    kelvin_variable("dev." + driver + "e.0.temp", 3050) +
		    kelvin_variable("dev.t\xe9.0.temp", 3080) +
		    kelvin_variable("dev.t\xe8.0.temp", 3090) + "acpi rw\n",
		"pelko_sensor_temperature_celsius{chip=\"" +
		    std::string(61, 'd') + "-2\",sensor=\"temp\"} 31.9",
		"\ta11-2 temp:\t\t\t27.9\t\t\t\tC\n\tddd"},
	    // Labels that their size or their odd bytes make alike: the later
	    // one is told apart by its number on the chip.
	    {"labels that collide",
		kelvin_variable("dev.lab.0." + std::string(40, 'x') + "a",
		    3060) +
		    kelvin_variable("dev.lab.0." + std::string(40, 'x') + "b",
			3070) +
		    kelvin_variable("dev.odd.0.t\x01", 3100) +
		    kelvin_variable("dev.odd.0.t\x02", 3110) + "acpi rw\n",
		"pelko_sensor_temperature_celsius{chip=\"lab0\",sensor=\"" +
		    std::string(25, 'x') + " temp2\"} 33.9",
		"\todd0 t? temp2:\t\t\t37.9\t\t\t\tC\n"},
	    // A 300-byte name neither ends the walk nor hides what follows;
	    // a 200-byte one is read whole.
	    {"long names",
		"int dev.long.0." + std::string(289, 'n') + " 1\n" +
		    kelvin_variable("dev.m.0.temp", 3120) +
		    kelvin_variable("dev.wide.0." + std::string(189, 'w'),
			3130) +
		    kelvin_variable("dev.zero.0.temp", 2731) + "acpi rw\n",
		"pelko_sensor_temperature_celsius{chip=\"wide0\",sensor=\"" +
		    std::string(31, 'w') + "\"} 39.9",
		"\tm0 temp:\t\t\t38.9\t\t\t\tC\n\twide0 " +
		    std::string(31, 'w') +
		    ":\t39.9\t\t\t\tC\n"
		    "\tzero0 temp:\t\t\t-0.0\t\t\t\tC\n"},
	    // amdtemp's variables are there though the CPU count is not.
	    {"no CPU count",
		"int dev.amdtemp.0.core0.sensor0 3331\n"
		"int dev.amdtemp.0.ccd0 3231\nacpi rw\n",
		"pelko_cpu_die_temperature_celsius{package=\"0\",die=\"0\"} "
		"50.0",
		"\tpackage0:\t\t\t60.0\t\t\t\tC\n"},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.name);
		run_result j = run_sim(c.scenario, {"-j"});
		run_result p = run_sim(c.scenario, {"-p"});
		EXPECT_EQ(j.status, 0) << j.err;
		EXPECT_EQ(json_verdict(j.out), "");
		EXPECT_EQ(twice(p.out), "");
		EXPECT_TRUE(
		    c.sample.empty() || has(p.out, "\n" + c.sample + "\n"))
		    << p.out;
		EXPECT_TRUE(has(run_sim(c.scenario, {"-x"}).out, c.line));
		EXPECT_FALSE(has(p.out, " -0.0\n") || has(j.out, ":-0.0,"));
	}
	// The strings after the rule of every output, then JSON's escapes.
	std::string hostile = run_sim(cases[3].scenario, {"-j"}).out;
	EXPECT_TRUE(has(hostile,
	    "\"model\":\"a\\\"b\\\\c\",\"serial\":\"???\","
	    "\"type\":\"??\",\"oem\":\"}\""))
	    << hostile;
}

// One document a line in interval mode, so that each line parses alone,
// each with the time of its report.
TEST(Json, OneDocumentPerCycle)
{
	run_result r = run_sim(
	    "ncpu 1\nint dev.cpu.0.temperature 3232\nacpi rw\ncycles 3\n",
	    {"-j", "-i", "0"});
	EXPECT_EQ(r.status, 0);
	std::string line =
	    "{\"pelko\":{\"schema_version\":1,\"cpus\":[{\"cpu\":0,"
	    "\"temperature_celsius\":50.1,\"critical_temperature_celsius\":null,"
	    "\"thermal_throttle_logged\":null,\"core_throttles\":null,"
	    "\"core_throttle_seconds\":null,\"frequency_hertz\":null}],"
	    "\"packages\":[],"
	    "\"thermal_zones\":[],\"cooling_devices\":[],\"ac_online\":null,"
	    "\"battery_summary\":{"
	    "\"batteries\":null,\"remaining_ratio\":null,"
	    "\"time_remaining_seconds\":null,\"time_to_full_seconds\":null,"
	    "\"charging\":null,\"discharging\":null,\"critical\":null},"
	    "\"batteries\":[],\"supplies\":[],\"sensors\":[],\"power_domains\":[]}}\n";
	const std::regex stamp(
	    "\"timestamp\":\"\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ\",");
	EXPECT_EQ(std::regex_replace(r.out, stamp, ""), line + line + line);
}

TEST(Json, OnlyInCelsiusAndAlone)
{
	const struct {
		args argv;
		const char *err;
	} cases[] = {
	    {{"-j", "-f"},
		"pelko: -j writes degrees Celsius: it takes neither -f nor -k\n"},
	    {{"-k", "-j"},
		"pelko: -j writes degrees Celsius: it takes neither -f nor -k\n"},
	    {{"-j", "-p"},
		"pelko: -j and -p are two formats: give one of them\n"},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.argv[0] + c.argv[1]);
		run_result r = run_sim("acpi rw\n", c.argv);
		EXPECT_EQ(r.status, 1);
		EXPECT_EQ(r.out, "");
		EXPECT_EQ(r.err, c.err);
	}
}

// On every Linux fixture: -x begins with the plain report; the JSON parses;
// no series of the metrics stands twice.
TEST(Json, LinuxFixtures)
{
	REQUIRE_SYSFS_MOUNT();
	for (const char *tree : {"intel-laptop", "two-batteries", "amd-desktop",
		 "amd-zen", "empty-vm", "mouse-battery", "odd-batteries",
		 "hybrid-cpu", "garbage", "big-64cpu", "wifi-laptop",
		 "two-socket", "sensor-laptop", "sensor-desktop", "rapl-laptop",
		 "usb-c-laptop", "fan-desktop", "hot-laptop"}) {
		SCOPED_TRACE(tree);
		std::string path = fixtures + "/sysfs/" + tree;
		std::string plain = run_over_sysfs(path, {}).out;
		std::string extended = run_over_sysfs(path, {"-x"}).out;
		EXPECT_EQ(extended.substr(0, plain.size()), plain);
		run_result j = run_over_sysfs(path, {"-j"});
		EXPECT_EQ(j.status, 0) << j.err;
		EXPECT_EQ(json_verdict(j.out), "");
		EXPECT_EQ(twice(run_over_sysfs(path, {"-p"}).out), "");
	}
}

} // namespace
