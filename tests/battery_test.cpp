// SPDX-License-Identifier: BSD-2-Clause
// The battery summary from kernel variables and the per-battery detail
// from the ACPI device.

#include <gtest/gtest.h>

#include "battery_lines.h"
#include "run.h"

namespace {

using args = std::vector<std::string>;

// The battery variables of a laptop with one battery, discharging.
const std::string battery_variables = "node hw.acpi.battery\n"
				      "int hw.acpi.battery.life 87\n"
				      "int hw.acpi.battery.time 125\n"
				      "int hw.acpi.battery.state 1\n"
				      "int hw.acpi.battery.units 1\n"
				      "int hw.acpi.acline 0\n";

// Its battery records.
const std::string battinfo_line = "battinfo 0 87 125 1 9500\n";
const std::string bif_line = "bif 0 0 48000 45000 1 11100 2400 800 10 10 "
			     "\"5B10W13930\" \"1234\" \"LiP\" \"SMP\"\n";
const std::string bst_line = "bst 0 1 9500 39000 12300\n";

const std::string laptop = "ncpu 2\n"
			   "int dev.cpu.0.temperature 3232\n"
			   "int dev.cpu.1.temperature 3242\n"
			   "int hw.acpi.thermal.tz0.temperature 3000\n"
			   "acpi rw\n" +
    battery_variables + battinfo_line + bif_line + bst_line;

const std::string summary = "\n[ACPI Battery (sysctl)]\n"
			    "\tCap remain:\t\t\t87\t\t\t\tpercents\n"
			    "\tLife time:\t\t\t125\t\t\t\tMin(s)\n"
			    "\tState:\t\t\t\t1\n"
			    "\tUnits:\t\t\t\t1\n";

const std::string header0 = "\n[battery0]\n";
// A detail line: its label, then the value and its unit.
std::string line(const char *label, const std::string &value,
    const char *unit = nullptr)
{
	return label + value + (unit ? std::string("\t\t\t\t") + unit : "") +
	    "\n";
}

namespace label = battery_label;

const std::string present = line(label::present, "yes");
const std::string design_mw = line(label::design_capacity, "48000", "mWh") +
    line(label::last_full_capacity, "45000", "mWh") +
    line(label::technology, "secondary (rechargeable)") +
    line(label::design_voltage, "11100", "mV") +
    line(label::warn_capacity, "2400", "mWh") +
    line(label::low_capacity, "800", "mWh") +
    line(label::low_warn_granularity, "10", "mWh") +
    line(label::warn_full_granularity, "10", "mWh");
const std::string strings = line(label::model, "5B10W13930") +
    line(label::serial, "1234") + line(label::type, "LiP") +
    line(label::oem, "SMP");
const std::string discharging = line(label::state, "discharging");
const std::string charge = line(label::remaining_capacity, "87", "percent") +
    line(label::remaining_time, "2:05");
const std::string rate_mw = line(label::present_rate, "9500", "mW");
const std::string voltage = line(label::voltage, "12300", "mV");

const std::string block = header0 + present + design_mw + strings +
    discharging + charge + rate_mw + voltage;

// The part of a report from "\n[title]\n" up to the next section or block.
std::string section(const std::string &out, const std::string &title)
{
	std::string head = "\n[" + title + "]\n";
	size_t start = out.find(head);
	if (start == std::string::npos)
		return "";
	size_t end = out.find("\n[", start + head.size());
	return out.substr(start, end == std::string::npos ? end : end - start);
}

TEST(Battery, LaptopReportInEveryScale)
{
	const struct {
		args argv;
		std::string temperatures;
	} cases[] = {
	    {{},
		"[Coretemp]\n"
		"\tCPU0:\t\t\t\t50.1\t\t\t\tC\n\tCPU1:\t\t\t\t51.1\t\t\t\tC\n"
		"\n[ACPI Thermal]\n\ttz0:\t\t\t\t26.9\t\t\t\tC\n"},
	    {{"-f"},
		"[Coretemp]\n"
		"\tCPU0:\t\t\t\t122.1\t\t\t\tF\n\tCPU1:\t\t\t\t123.9\t\t\t\tF\n"
		"\n[ACPI Thermal]\n\ttz0:\t\t\t\t80.3\t\t\t\tF\n"},
	    {{"-k", "-d"},
		"[Coretemp]\n"
		"\tCPU0:\t\t\t\t323.2\t\t\t\tK\n\tCPU1:\t\t\t\t324.2\t\t\t\tK\n"
		"\n[ACPI Thermal]\n\ttz0:\t\t\t\t300.0\t\t\t\tK\n"},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.argv.empty() ? "C" : c.argv[0]);
		run_result r = run_sim(laptop, c.argv);
		EXPECT_EQ(r.status, 0);
		EXPECT_EQ(r.out,
		    report_header + c.temperatures + summary + block);
		EXPECT_EQ(r.err, "");
	}
}

TEST(Battery, Summary)
{
	const struct {
		const char *name;
		std::string variables;
		args argv;
		std::string expected; // the whole section, or one line of it
	} cases[] = {
	    {"no subtree", "", {}, ""},
	    {"no subtree, -d", "", {"-d"},
		"\n[ACPI Battery (sysctl)]\n\tNo ACPI Battery support.\n"},
	    {"subtree name is a leaf", "int hw.acpi.battery 1\n", {"-d"},
		"\n[ACPI Battery (sysctl)]\n\tNo ACPI Battery support.\n"},
	    {"nothing readable", "node hw.acpi.battery\n", {},
		"\n[ACPI Battery (sysctl)]\n"
		"\tCap remain:\t\t\tunknown\n"
		"\tTime remain:\t\t\tunknown\n"
		"\tState:\t\t\t\t-1\n"
		"\tUnits:\t\t\t\t-1 returned, somwthing weird.\n"
		// The detail section has no title of its own before this line.
		"'hw.acpi.battery.units' returned -1, weird..\n"},
	    {"empty, on AC",
		"node hw.acpi.battery\nint hw.acpi.battery.life 0\n"
		"int hw.acpi.battery.time -1\nint hw.acpi.battery.state 0\n"
		"int hw.acpi.battery.units 0\nint hw.acpi.acline 1\n",
		{},
		"\n[ACPI Battery (sysctl)]\n"
		"\tCap remain:\t\t\t0\t\t\t\tpercents\n"
		"\tTime remain:\t\t\tOn AC\n"
		"\tState:\t\t\t\t0\n"
		"\tUnits:\t\t\t\t0\n"},
	    {"no estimate, off AC",
		"node hw.acpi.battery\nint hw.acpi.battery.life -5\n"
		"int hw.acpi.battery.time -2\nint hw.acpi.acline 0\n"
		"int hw.acpi.battery.units 2\n",
		{},
		"\n[ACPI Battery (sysctl)]\n"
		"\tCap remain:\t\t\tunknown\n"
		"\tTime remain:\t\t\tN/A\n"
		"\tState:\t\t\t\t-1\n"
		"\tUnits:\t\t\t\t2\n"},
	    {"AC line other than 0 and 1",
		"node hw.acpi.battery\nint hw.acpi.battery.time -1\n"
		"int hw.acpi.acline 2\n",
		{}, "\tTime remain:\t\t\tOn AC\n"},
	    {"time 0", "node hw.acpi.battery\nint hw.acpi.battery.time 0\n", {},
		"\tLife time:\t\t\t0\t\t\t\tMin(s)\n"},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.name);
		run_result r = run_sim("acpi rw\n" + c.variables, c.argv);
		EXPECT_EQ(r.status, 0);
		std::string got = section(r.out, "ACPI Battery (sysctl)");
		bool whole = c.expected.empty() || c.expected[0] == '\n';
		if (whole)
			EXPECT_EQ(got, c.expected);
		else
			EXPECT_NE(got.find(c.expected), std::string::npos)
			    << got;
	}
}

// One unit's block for variations of the laptop's records.
TEST(Battery, DeviceBlock)
{
	const std::string design_ma =
	    "\tDesign capacity:\t\t4000\t\t\t\tmAh\n"
	    "\tLast full capacity:\t\t3900\t\t\t\tmAh\n"
	    "\tTechnology:\t\t\tsecondary (rechargeable)\n"
	    "\tDesign voltage\t\t\t11100\t\t\t\tmV\n"
	    "\tCapacity (warn):\t\t200\t\t\t\tmAh\n"
	    "\tCapacity (low):\t\t\t100\t\t\t\tmAh\n"
	    "\tLow/warn granularity:\t\t1\t\t\t\tmAh\n"
	    "\tWarn/full granularity:\t\t1\t\t\t\tmAh\n";
	const std::string design_unknown =
	    "\tDesign capacity:\t\tunknown\n"
	    "\tLast full capacity:\t\tunknown\n"
	    "\tTechnology:\t\t\tprimary (non-rechargeable)\n"
	    "\tDesign voltage\t\tunknown\n"
	    "\tCapacity (warn):\t\tunknown\n"
	    "\tCapacity (low):\t\t\tunknown\n"
	    "\tLow/warn granularity:\t\tunknown\n"
	    "\tWarn/full granularity:\t\tunknown\n";
	auto state = [](const char *words) {
		return std::string("\tState:\t\t\t\t") + words + "\n";
	};
	const std::string before_state =
	    header0 + present + design_mw + strings;
	const std::string after_state = charge + rate_mw + voltage;
	const std::string head_32 = "\tModel number:\t\t\t"
				    "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345\n";

	const struct {
		const char *name;
		std::string records;
		std::string expected;
	} cases[] = {
	    {"all requests succeed", battinfo_line + bif_line + bst_line,
		block},
	    {"units in mA",
		battinfo_line + bst_line +
		    "bif 0 1 4000 3900 1 11100 200 100 1 1 "
		    "\"5B10W13930\" \"1234\" \"LiP\" \"SMP\"\n",
		header0 + present + design_ma + strings + discharging + charge +
		    "\tPresent rate:\t\t\t9500\t\t\t\tmA\n" + voltage},
	    {"unknown design values",
		battinfo_line + bst_line +
		    "bif 0 0 -1 -1 0 -1 -1 -1 -1 4294967295 "
		    "\"5B10W13930\" \"1234\" \"LiP\" \"SMP\"\n",
		header0 + present + design_unknown + strings + discharging +
		    after_state},
	    {"state 0",
		battinfo_line + "battinfo 0 87 125 0 9500\n" + bif_line +
		    bst_line,
		before_state + state("high") + after_state},
	    {"critical and discharging",
		battinfo_line + "battinfo 0 87 125 5 9500\n" + bif_line +
		    bst_line,
		before_state + state("critical discharging") + after_state},
	    {"discharging and charging",
		battinfo_line + "battinfo 0 87 125 3 9500\n" + bif_line +
		    bst_line,
		before_state + state("discharging charging") + after_state},
	    {"charging",
		battinfo_line + "battinfo 0 87 125 2 9500\n" + bif_line +
		    bst_line,
		before_state + state("charging") + after_state},
	    {"critical",
		battinfo_line + "battinfo 0 87 125 4 9500\n" + bif_line +
		    bst_line,
		before_state + state("critical") + after_state},
	    {"no known bit",
		battinfo_line + "battinfo 0 87 125 8 9500\n" + bif_line +
		    bst_line,
		before_state + state("") + after_state},
	    {"second summary says not present",
		battinfo_line + "battinfo 0 87 125 7 9500\n" + bif_line +
		    bst_line,
		before_state + state("critical discharging charging") +
		    after_state},
	    {"first summary says not present",
		"battinfo 0 87 125 7 9500\n" + bif_line + bst_line,
		header0 + "\tBattery not present\n"},
	    {"status says not present",
		battinfo_line + bif_line + "bst 0 7 9500 39000 12300\n",
		before_state + discharging + charge + rate_mw},
	    {"unknown capacity, time, rate and voltage",
		battinfo_line + "battinfo 0 -1 -1 1 -1\n" + bif_line +
		    "bst 0 1 -1 -1 -1\n",
		before_state + discharging +
		    "\tRemaining capacity:\t\tunknown\n"
		    "\tRemaining time:\t\t\tunknown\n"
		    "\tPresent rate:\t\t\tunknown\n"
		    "\tVoltage:\t\t\tunknown\n"},
	    {"32-byte string without NUL, others empty or cut at NUL",
		battinfo_line + bst_line +
		    "bif 0 0 48000 45000 1 11100 2400 800 10 10 "
		    "\"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345\" \"\" \"L\\x00iP\" \"a\\tb\"\n",
		header0 + present + design_mw + head_32 +
		    "\tSerial number:\t\t\t\n"
		    "\tType:\t\t\t\tL\n\tOEM info:\t\t\ta?b\n" +
		    discharging + after_state},
	    // Control bytes would forge lines or drive the terminal; bytes
	    // above 0x7e too (0x9b is an 8-bit CSI), and a cut UTF-8
	    // character would break the metrics.
	    {"bytes outside printable ASCII in the strings",
		battinfo_line + bst_line +
		    "bif 0 0 48000 45000 1 11100 2400 800 10 10 "
		    "\"\\x1b[2J\\x7f\" \"1\\n\\tState:\\t\\t\\t\\tcharging\" \"\\x01\\x1f \" "
		    "\"\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff"
		    "\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\"\n",
		header0 + present + design_mw +
		    "\tModel number:\t\t\t?[2J?\n"
		    "\tSerial number:\t\t\t1??State:????charging\n\tType:\t\t\t\t?? \n"
		    "\tOEM info:\t\t\t" +
		    std::string(32, '?') + "\n" + discharging + after_state},
	    {"UTF-8 cut by the 32 bytes, and 8-bit controls",
		battinfo_line + bst_line +
		    "bif 0 0 48000 45000 1 11100 2400 800 10 10 "
		    "\"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\\xc3\\xa9\" "
		    "\"\\x9b2J\" \"\\x80\\xc3\" \"ok\"\n",
		header0 + present + design_mw + "\tModel number:\t\t\t" +
		    std::string(30, 'a') +
		    "??\n\tSerial number:\t\t\t?2J\n\tType:\t\t\t\t??\n"
		    "\tOEM info:\t\t\tok\n" +
		    discharging + after_state},
	    {"first summary fails", bif_line + bst_line,
		header0 + "\tget battery user info (0) failed\n"},
	    {"information fails", battinfo_line + bst_line,
		header0 + present + "\tget battery info (0) failed\n"},
	    {"second summary fails",
		battinfo_line + "battinfo 0 fail\n" + bif_line + bst_line,
		header0 + present + design_mw + strings +
		    "\tget battery user info (0) failed\n"},
	    {"status fails", battinfo_line + bif_line,
		before_state + discharging + charge + rate_mw +
		    "\tget battery status (0) failed\n"},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.name);
		run_result r =
		    run_sim("acpi rw\n" + battery_variables + c.records, {});
		EXPECT_EQ(r.status, 0);
		EXPECT_EQ(r.err, "");
		size_t start = r.out.find(header0);
		ASSERT_NE(start, std::string::npos) << r.out;
		EXPECT_EQ(r.out.substr(start), c.expected);
	}
}

TEST(Battery, RemainingTime)
{
	const struct {
		const char *min;
		const char *shown;
	} cases[] = {
	    {"125", "2:05"},
	    {"59", "0:59"},
	    {"60", "1:00"},
	    {"0", "0:00"},
	    {"2147483647", "35791394:07"},
	    {"-1", "unknown"},
	    {"-2", "unknown"},
	    {"-61", "unknown"},
	    {"-2147483648", "unknown"},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.min);
		std::string records = battinfo_line + "battinfo 0 87 " + c.min +
		    " 1 9500\n" + bif_line + bst_line;
		run_result r =
		    run_sim("acpi rw\n" + battery_variables + records, {});
		EXPECT_NE(r.out.find(std::string("\tRemaining time:\t\t\t") +
			      c.shown + "\n"),
		    std::string::npos)
		    << r.out;
	}
}

std::string device_part(const std::string &out)
{
	size_t start = out.find("\n[battery");
	return start == std::string::npos ? "" : out.substr(start);
}

TEST(Battery, Device)
{
	std::string units_66;
	for (int unit = 0; unit <= 64; unit++)
		units_66 += "\n[battery" + std::to_string(unit) +
		    "]\n\tget battery user info (" + std::to_string(unit) +
		    ") failed\n";
	units_66 += "\n[battery65]\n\tinvalid battery 65\n";

	const struct {
		const char *name;
		std::string scenario;
		args argv;
		std::string expected; // from the first block on
		std::string tail;     // the report ends with this
	} cases[] = {
	    {"unit count 66",
		"acpi rw\nnode hw.acpi.battery\n"
		"int hw.acpi.battery.units 66\n",
		{}, units_66, units_66},
	    {"unit count 0",
		"acpi rw\nnode hw.acpi.battery\n"
		"int hw.acpi.battery.units 0\n",
		{}, "", "\tUnits:\t\t\t\t0\n"},
	    {"unit count unreadable", "acpi rw\nnode hw.acpi.battery\n", {}, "",
		"-1 returned, somwthing weird.\n"
		"'hw.acpi.battery.units' returned -1, weird..\n"},
	    {"device without battery support, -d", "acpi rw\n", {"-d"}, "",
		"\n[ACPI Battery (sysctl)]\n\tNo ACPI Battery support.\n"
		"\n[ACPI Battery (/dev/acpi)]\n\tNo ACPI Battery support.\n"},
	    {"read-only device",
		"acpi ro\n" + battery_variables + battinfo_line + bif_line +
		    bst_line,
		{}, block, block},
	    {"two batteries, the second absent",
		"acpi rw\nnode hw.acpi.battery\n"
		"int hw.acpi.battery.units 2\n" +
		    battinfo_line + bif_line + bst_line +
		    "battinfo 1 -1 -1 7 -1\n",
		{}, block + "\n[battery1]\n\tBattery not present\n", ""},
	    // A failed thermal read leaves EISDIR behind, and a probe that
	    // succeeds leaves the error number alone: that must not count as
	    // battery support.
	    {"stale EISDIR",
		"acpi rw\nnode hw.acpi.thermal.tz0.temperature\n"
		"int hw.acpi.battery 1\n",
		{}, "", report_header},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.name);
		run_result r = run_sim(c.scenario, c.argv);
		EXPECT_EQ(r.status, 0);
		EXPECT_EQ(r.err, "");
		EXPECT_EQ(device_part(r.out), c.expected);
		ASSERT_GE(r.out.size(), c.tail.size());
		EXPECT_EQ(r.out.substr(r.out.size() - c.tail.size()), c.tail);
	}
}

// The report stops at the device; -x writes its own sections first.
TEST(Battery, DeviceThatCannotBeOpenedIsFatal)
{
	const std::string zone =
	    report_header + "\n[ACPI Thermal]\n\ttz0:\t\t\t\t26.9\t\t\t\tC\n";
	const struct {
		std::vector<std::string> args;
		std::string out;
	} cases[] = {
	    {{}, zone},
	    {{"-x"},
		zone +
		    "\n[Thermal limits]\n\ttz0 critical:\t\t\t100.0\t\t\t\tC\n"},
	};
	for (const auto &c : cases) {
		run_result r =
		    run_sim("acpi none\n"
			    "int hw.acpi.thermal.tz0.temperature 3000\n"
			    "int hw.acpi.thermal.tz0._CRT 3731\n",
			c.args);
		EXPECT_EQ(r.status, 72);
		EXPECT_EQ(r.out, c.out);
		EXPECT_EQ(r.err,
		    "pelko: /dev/acpi: No such file or directory\n");
	}
}

// Every cycle opens and closes the device once (the simulator stops with
// status 3 otherwise) and shows the records of that cycle.
TEST(Battery, IntervalCycles)
{
	std::string records;
	for (const char *cap : {"90", "80", "70"})
		records += std::string("battinfo 0 ") + cap + " 125 1 9500\n" +
		    "battinfo 0 " + cap + " 125 1 9500\n";
	run_result r = run_sim("acpi rw\ncycles 4\n" + battery_variables +
		records + bif_line + bst_line,
	    {"-i", "1"}, {.merge_streams = true});
	EXPECT_EQ(r.status, 0);

	std::string expected;
	for (const char *cap : {"90", "80", "70", "70"}) {
		std::string shown = charge;
		shown.replace(shown.find("87"), 2, cap);
		expected += report_header + summary + header0 + present +
		    design_mw + strings + discharging + shown + rate_mw +
		    voltage + "sleep 1\n";
	}
	EXPECT_EQ(r.out, expected);
}

} // namespace
