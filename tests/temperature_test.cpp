// SPDX-License-Identifier: BSD-2-Clause
// Temperature conversion, the CPU core section and the thermal zones.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "run.h"

namespace {

using args = std::vector<std::string>;

struct scale {
	const char *option; // nullptr for Celsius
	char letter;
};

const scale celsius{nullptr, 'C'}, fahrenheit{"-f", 'F'}, kelvin{"-k", 'K'};

args options_for(const scale &s)
{
	return s.option ? args{s.option} : args{};
}

// A reading in each of the three scales, as printed with one decimal.
const struct {
	int raw;
	const char *c, *f, *k;
} readings[] = {
    {2982, "25.1", "77.1", "298.2"},
    {2731, "-0.0", "31.9", "273.1"},  // just below zero: negative zero
    {0, "-273.1", "-459.7", "0.0"},   // -273.15 lies just above its double
    {3234, "50.2", "122.4", "323.4"}, // exactly 50.25: to even
    {3239, "50.8", "123.3", "323.9"}, // exactly 50.75: to even
    {-1, "-273.2", "-459.9", "-0.1"},
    {2904, "17.2", "63.1", "290.4"},
    {2147483647, "214748091.5", "386546596.8", "214748364.7"},
    {-2147483648, "-214748638.0", "-386547516.3", "-214748364.8"},
};

// Both sections convert the same way: a CPU and a zone with one reading.
TEST(Temperature, ConversionInEveryScale)
{
	for (const auto &r : readings) {
		std::string raw = std::to_string(r.raw);
		std::string scenario =
		    "acpi rw\nncpu 1\nint dev.cpu.0.temperature " + raw +
		    "\nint hw.acpi.thermal.tz0.temperature " + raw + "\n";
		const struct {
			scale s;
			const char *value;
		} shown[] = {{celsius, r.c}, {fahrenheit, r.f}, {kelvin, r.k}};
		for (const auto &v : shown) {
			SCOPED_TRACE(raw + " " + v.s.letter);
			std::string tail = std::string(v.value) + "\t\t\t\t" +
			    v.s.letter + "\n";
			run_result res = run_sim(scenario, options_for(v.s));
			EXPECT_EQ(res.status, 0);
			EXPECT_EQ(res.out,
			    report_header + "[Coretemp]\n\tCPU0:\t\t\t\t" +
				tail + "\n[ACPI Thermal]\n\ttz0:\t\t\t\t" +
				tail);
		}
	}
}

// 2904 in Fahrenheit tells a rounded product from a fused multiply-add.
TEST(Temperature, FahrenheitProductIsRoundedBeforeTheSum)
{
	char fused[32];
	volatile double tz_kelvin = 290.4;
	std::snprintf(fused, sizeof fused, "%.1f",
	    std::fma(tz_kelvin, 1.8, -459.67));
	ASSERT_STREQ(fused, "63.0")
	    << "the reading no longer tells the two apart";

	run_result r =
	    run_sim("acpi rw\nint hw.acpi.thermal.tz0.temperature 2904\n",
		{"-f"});
	EXPECT_EQ(r.out,
	    report_header + "\n[ACPI Thermal]\n\ttz0:\t\t\t\t63.1\t\t\t\tF\n");
}

const std::string no_cpu_count_notice =
    "\n[Coretemp]\n\tCan't get number of cpus.";
const std::string no_zone_notice =
    "\n[ACPI Thermal]\n\tNo ACPI Thermal Zone Support.\n";
const std::string no_battery_notices =
    "\n[ACPI Battery (sysctl)]\n\tNo ACPI Battery support.\n"
    "\n[ACPI Battery (/dev/acpi)]\n\tNo ACPI Battery support.\n";

std::string cpu_line(int cpu, const char *value)
{
	return "\tCPU" + std::to_string(cpu) + ":\t\t\t\t" + value +
	    "\t\t\t\tC\n";
}

std::string no_temp(int cpu)
{
	return "\tCPU" + std::to_string(cpu) +
	    ":\t\t\t\tCannot get temperature\n";
}

std::string zone(int number, const char *value)
{
	return "\n[ACPI Thermal]\n\ttz" + std::to_string(number) + ":\t\t\t\t" +
	    value + "\t\t\t\tC\n";
}

TEST(Temperature, Sections)
{
	const struct {
		const char *name;
		std::string scenario;
		args argv;
		std::string sections; // what follows the column header
	} cases[] = {
	    {"no CPU count", "", {}, ""},
	    {"no CPU count, -d", "", {"-d"},
		no_cpu_count_notice + no_zone_notice + no_battery_notices},
	    {"CPU count 0", "ncpu 0\n", {}, "[Coretemp]\n"},
	    {"negative CPU count", "ncpu -3\n", {}, "[Coretemp]\n"},
	    {"no temperature driver", "ncpu 2\n", {},
		"[Coretemp]\n" + no_temp(0) + no_temp(1)},
	    {"no temperature driver, -d", "ncpu 1\n", {"-d"},
		"[Coretemp]\n" + no_temp(0) + no_zone_notice +
		    no_battery_notices},
	    {"two CPUs",
		"ncpu 2\nint dev.cpu.0.temperature 3232\nint dev.cpu.1.temperature 3232\n",
		{}, "[Coretemp]\n" + cpu_line(0, "50.1") + cpu_line(1, "50.1")},
	    {"mixed CPUs",
		"ncpu 4\nint dev.cpu.1.temperature 3000\nint dev.cpu.3.temperature 2982\n",
		{},
		"[Coretemp]\n" + no_temp(0) + cpu_line(1, "26.9") + no_temp(2) +
		    cpu_line(3, "25.1")},
	    {"temperature name is a node",
		"ncpu 1\nnode dev.cpu.0.temperature\n", {},
		"[Coretemp]\n" + no_temp(0)},
	    {"no zones, -d", "ncpu 0\n", {"-d"},
		"[Coretemp]\n" + no_zone_notice + no_battery_notices},
	    {"one zone", "int hw.acpi.thermal.tz0.temperature 3000\n", {},
		zone(0, "26.9")},
	    {"three zones",
		"int hw.acpi.thermal.tz0.temperature 3000\n"
		"int hw.acpi.thermal.tz1.temperature 3100\n"
		"int hw.acpi.thermal.tz2.temperature 2731\n",
		{}, zone(0, "26.9") + zone(1, "36.9") + zone(2, "-0.0")},
	    {"gap after zone 0",
		"int hw.acpi.thermal.tz0.temperature 3000\n"
		"int hw.acpi.thermal.tz2.temperature 3100\n",
		{"-d"},
		no_cpu_count_notice + zone(0, "26.9") + no_battery_notices},
	    {"zone 0 is a node",
		"node hw.acpi.thermal.tz0.temperature\n"
		"int hw.acpi.thermal.tz1.temperature 3100\n",
		{}, ""},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.name);
		run_result r = run_sim("acpi rw\n" + c.scenario, c.argv);
		EXPECT_EQ(r.status, 0);
		EXPECT_EQ(r.out, report_header + c.sections);
		EXPECT_EQ(r.err, "");
	}
}

// A machine with 100,000 CPUs, every other one readable: the whole
// section, written well within the harness's time limit.
TEST(Temperature, HundredThousandCpus)
{
	const int cpus = 100000;
	std::string scenario = "acpi rw\nncpu " + std::to_string(cpus) + "\n";
	std::string expected = report_header + "[Coretemp]\n";
	for (int cpu = 0; cpu < cpus; cpu++) {
		if (cpu % 2 == 0) {
			scenario += "int dev.cpu." + std::to_string(cpu) +
			    ".temperature 3232\n";
			expected += cpu_line(cpu, "50.1");
		} else {
			expected += no_temp(cpu);
		}
	}
	run_result r = run_sim(scenario, {});
	EXPECT_EQ(r.status, 0);
	EXPECT_TRUE(r.out == expected) << "the report differs; " << r.out.size()
				       << " bytes against " << expected.size();
	EXPECT_EQ(r.err, "");
}

} // namespace
