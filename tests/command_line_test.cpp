// SPDX-License-Identifier: BSD-2-Clause
// Options, exit statuses, the report cycle and write errors.

#include <gtest/gtest.h>
#include <unistd.h>

#include "run.h"

namespace {

using args = std::vector<std::string>;

// A machine with the ACPI device and nothing else: the report is the
// column header alone, and -d adds the notices.
const std::string bare_machine = "acpi rw\n";

const std::string usage_text =
    "usage: pelko [-hvdfkpjx] [-i seconds] [-o file]\n"
    "\t-h\t\tShow this page\n"
    "\t-v\t\tShow pelko version\n"
    "\t-d\t\tDisplay all info and non-working devices\n"
    "\t-f\t\tDisplay temperature in Fahrenheit\n"
    "\t-k\t\tDisplay the temperature in Kelvins\n"
    "\t-i seconds\tRepeat the report every given number of seconds\n"
    "\t-p\t\tPrint the readings as Prometheus metrics\n"
    "\t-j\t\tPrint the readings as JSON\n"
    "\t-x\t\tAlso show battery wear, thermal limits, throttling, sensors "
    "and CPU clocks\n"
    "\t-o file\t\tWrite each report to file, replacing it whole\n";

const std::string conflict_line =
    "You can't choice to show temperature un Fahrenheit and Kelvin\n";

// What -d adds on that machine.
const std::string notices =
    "\n[Coretemp]\n\tCan't get number of cpus."
    "\n[ACPI Thermal]\n\tNo ACPI Thermal Zone Support.\n"
    "\n[ACPI Battery (sysctl)]\n\tNo ACPI Battery support.\n"
    "\n[ACPI Battery (/dev/acpi)]\n\tNo ACPI Battery support.\n";

bool ends_with(const std::string &text, const std::string &tail)
{
	return text.size() >= tail.size() &&
	    text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

struct option_case {
	args argv;
	int status;
	std::string out;
	std::string err_tail; // standard error ends with this
	bool err_exact;	      // and holds nothing else
};

const option_case option_cases[] = {
    {{}, 0, report_header, "", true},
    {{"-d"}, 0, report_header + notices, "", true},
    {{"-v"}, 0, "pelko 0.5\n", "", true},
    {{"-v", "-f", "-k"}, 0, "pelko 0.5\n", "", true},
    {{"-f", "-k", "-v"}, 0, "pelko 0.5\n", "", true},
    {{"-v", "-y"}, 0, "pelko 0.5\n", "", true},
    {{"-f", "-k"}, 1, conflict_line, "", true},
    {{"-fk"}, 1, conflict_line, "", true},
    {{"-k", "-f"}, 1, conflict_line, "", true},
    {{"-h"}, 1, "", usage_text, true},
    {{"-d", "-h"}, 1, "", usage_text, true},
    // getopt's own diagnostic comes first; its wording is the library's.
    {{"-y", "-v"}, 1, "", usage_text, false},
    {{"-c"}, 1, "", usage_text, false},
    {{"-i"}, 1, "", usage_text, false},
    // Arguments after the options are ignored; options after them too.
    {{"-d", "foo"}, 0, report_header + notices, "", true},
    {{"foo", "-d"}, 0, report_header, "", true},
    {{"foo", "-f", "-k"}, 0, report_header, "", true},
    {{"--", "-d"}, 0, report_header, "", true},
    {{"-", "-d"}, 0, report_header, "", true},
};

TEST(CommandLine, OptionsAndStatuses)
{
	for (const option_case &c : option_cases) {
		std::string joined;
		for (const std::string &a : c.argv)
			joined += "[" + a + "]";
		SCOPED_TRACE(joined);
		run_result r = run_sim(bare_machine, c.argv);
		EXPECT_EQ(r.status, c.status);
		EXPECT_EQ(r.out, c.out);
		if (c.err_exact) {
			EXPECT_EQ(r.err, c.err_tail);
		} else {
			EXPECT_TRUE(ends_with(r.err, c.err_tail)) << r.err;
			EXPECT_GT(r.err.size(), c.err_tail.size())
			    << "no diagnostic";
		}
	}
}

TEST(CommandLine, BadIntervalValues)
{
	const char *values[] = {
	    "10s",
	    "",
	    "x",
	    " ",
	    "1 ",
	    "0x10",
	    "-1",
	    " -1",
	    "\t-5",
	    "-0",
	    "4294967296",	    // one above the largest, once cut to 0
	    "4294967301",	    // once cut to 5
	    "18446744073709551615", // the largest unsigned long
	    "18446744073709551616", // beyond it
	    "99999999999999999999999999",
	};
	for (const char *value : values) {
		SCOPED_TRACE(std::string("[") + value + "]");
		run_result r = run_sim(bare_machine, {"-i", value});
		EXPECT_EQ(r.status, 22);
		EXPECT_EQ(r.out, "");
		EXPECT_EQ(r.err,
		    std::string("pelko: bad interval value: ") + value +
			": Invalid argument\n");
	}
}

TEST(CommandLine, AcceptedIntervalValues)
{
	const struct {
		args argv;
		const char *slept;
	} cases[] = {
	    {{"-i", "0"}, "sleep 0\n"},
	    {{"-i", "5"}, "sleep 5\n"},
	    {{"-i", " 5"}, "sleep 5\n"},
	    {{"-i", "+7"}, "sleep 7\n"},
	    {{"-i", " +7"}, "sleep 7\n"},
	    {{"-i007"}, "sleep 7\n"},
	    {{"-i", "4294967295"}, "sleep 4294967295\n"},
	    {{"-i", "2", "-i", "3"}, "sleep 3\n"},
	    {{"-di", "1"}, "sleep 1\n"},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.argv.back());
		run_result r = run_sim(bare_machine + "cycles 1\n", c.argv);
		EXPECT_EQ(r.status, 0);
		EXPECT_EQ(r.err, c.slept);
		EXPECT_EQ(r.out.substr(0, report_header.size()), report_header);
	}
}

// With both streams on one pipe, every report stands before its sleep:
// standard output is flushed before each pause.
TEST(CommandLine, IntervalFlushesEachReportBeforeSleeping)
{
	run_result r = run_sim(bare_machine + "cycles 3\n", {"-i", "2"},
	    {.merge_streams = true});
	EXPECT_EQ(r.status, 0);
	std::string cycle = report_header + "sleep 2\n";
	EXPECT_EQ(r.out, cycle + cycle + cycle);
}

TEST(CommandLine, FailedWritesAreErrors)
{
	const struct {
		const char *name;
		args argv;
		run_options options;
		const char *err;
	} cases[] = {
	    {"full disk", {}, {.stdout_path = "/dev/full"},
		"pelko: stdout: No space left on device\n"},
	    {"full disk, version", {"-v"}, {.stdout_path = "/dev/full"},
		"pelko: stdout: No space left on device\n"},
	    // Stops at the first cycle instead of sleeping and writing again.
	    {"full disk, interval", {"-i", "1"}, {.stdout_path = "/dev/full"},
		"pelko: stdout: No space left on device\n"},
	    {"reader gone", {"-i", "0"}, {.close_reader = true},
		"pelko: stdout: Broken pipe\n"},
	    // A report that went nowhere is no success.
	    {"stdout closed", {}, {.close_stdout = true},
		"pelko: stdout: Bad file descriptor\n"},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.name);
		run_result r =
		    run_sim(bare_machine + "cycles 1000\n", c.argv, c.options);
		EXPECT_EQ(r.status, 1);
		EXPECT_EQ(r.err, c.err);
	}
}

// Arguments as long as the kernel passes (128 KiB each, a 1 MiB one cannot
// be executed), and a megabyte of them in all.
TEST(CommandLine, HugeArguments)
{
	const size_t longest = 128 * 1024 - 1;
	const std::string digits(10000, '7');
	const std::string letters(longest, 'y');
	const struct {
		const char *name;
		args argv;
		int status;
		std::string out, err;
	} cases[] = {
	    {"-i with 10,000 digits", {"-i", digits}, 22, "",
		"pelko: bad interval value: " + digits +
		    ": Invalid argument\n"},
	    {"-i with 128 KiB of letters", {"-i", letters}, 22, "",
		"pelko: bad interval value: " + letters +
		    ": Invalid argument\n"},
	    {"one option letter repeated 128 KiB long",
		{"-" + std::string(longest - 1, 'd')}, 0,
		report_header + notices, ""},
	    {"an unknown letter 128 KiB long", {"-" + letters.substr(1)}, 1, "",
		"pelko: invalid option -- 'y'\n" + usage_text},
	    {"1 MiB of ignored arguments",
		{"-d", "--", letters, letters, letters, letters, letters,
		    letters, letters, letters},
		0, report_header + notices, ""},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.name);
		run_result r = run_sim(bare_machine, c.argv);
		EXPECT_EQ(r.status, c.status);
		EXPECT_EQ(r.out, c.out);
		EXPECT_EQ(r.err, c.err);
	}
}

// The real pelko of this machine answers the command line the same way.
TEST(CommandLine, NativeBuild)
{
	const struct {
		args argv;
		int status;
		std::string out, err;
	} cases[] = {
	    {{"-v"}, 0, "pelko 0.5\n", ""},
	    {{"-h"}, 1, "", usage_text},
	    {{"-f", "-k"}, 1, conflict_line, ""},
	    {{"-i", "1x"}, 22, "",
		"pelko: bad interval value: 1x: Invalid argument\n"},
	    {{"-i", "-1"}, 22, "",
		"pelko: bad interval value: -1: Invalid argument\n"},
	    // getopt's own message names the program, not the path it ran by.
	    {{"-y"}, 1, "", "pelko: invalid option -- 'y'\n" + usage_text},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.argv[0]);
		run_result r = run_pelko(c.argv);
		EXPECT_EQ(r.status, c.status);
		EXPECT_EQ(r.out, c.out);
		EXPECT_EQ(r.err, c.err);
	}
}

} // namespace
