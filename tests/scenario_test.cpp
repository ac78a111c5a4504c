// SPDX-License-Identifier: BSD-2-Clause
// The simulator refuses a scenario it cannot read, naming file and line.

#include <gtest/gtest.h>

#include "run.h"

namespace {

TEST(Scenario, MalformedLinesStopWithFileAndLine)
{
	const struct {
		const char *line;
		const char *reason;
	} cases[] = {
	    {"frobnicate 1", "unknown directive 'frobnicate'"},
	    {"ncpu", "ncpu takes 1 arguments, not 0"},
	    {"ncpu two", "'two' is not a decimal number"},
	    {"ncpu 2147483648", "2147483648 is out of range"},
	    {"int hw.acpi.acline +1", "'+1' is not a decimal number"},
	    {"int dev.cpu.0.temperature 1 2", "int takes 2 arguments, not 3"},
	    {"acpi maybe", "acpi takes rw, ro or none"},
	    {"cycles 0", "0 is out of range"},
	    {"battinfo 0 1 2 3", "battinfo takes 5 arguments, not 4"},
	    {"bst 0 1 2 3 4294967296", "4294967296 is out of range"},
	    {"bif 0 0 1 1 1 1 1 1 1 1 \"m\" \"s\" \"t\" oem",
		"'oem' is not a quoted string"},
	    {"bif 0 0 1 1 1 1 1 1 1 1 \"m\" \"s\" \"t\" \"o",
		"unterminated string"},
	    {"bif 0 0 1 1 1 1 1 1 1 1 \"m\" \"s\" \"t\" \"\\q\"",
		"unknown escape in string"},
	    {"bif 0 0 1 1 1 1 1 1 1 1 \"m\" \"s\" \"t\" \"\\x4\"",
		"\\x needs two hex digits"},
	    {"bif 0 0 1 1 1 1 1 1 1 1 \"m\" \"s\" \"t\" "
	     "\"123456789012345678901234567890123\"",
		"string longer than 32 bytes"},
	    {"ncpu 1\r",
		"carriage return at the end of the line (CRLF line ends)"},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.line);
		// Three lines without a directive first, the comments holding what
		// a directive may not: the bad one is the fourth.
		run_result r =
		    run_sim(std::string("# it's a \"quote \\q\n\n"
					"  # unbalanced \" quote\n") +
			    c.line + "\n",
			{});
		EXPECT_EQ(r.status, 2);
		EXPECT_EQ(r.out, "");
		std::string tail = std::string(":4: ") + c.reason + "\n";
		ASSERT_GE(r.err.size(), tail.size()) << r.err;
		EXPECT_EQ(r.err.substr(r.err.size() - tail.size()), tail);
		EXPECT_EQ(r.err.rfind("pelko-sim: /", 0), 0u) << r.err;
	}
}

TEST(Scenario, DuplicatesAreRefused)
{
	const char *scenarios[] = {
	    "int hw.acpi.acline 1\nint hw.acpi.acline 0\n",
	    "node hw.acpi.battery\nint hw.acpi.battery 1\n",
	    "ncpu 1\nncpu 2\n",
	    "acpi rw\nacpi ro\n",
	    "fmt dev.x.0.temp IK\nfmt dev.x.0.temp I\n",
	};
	for (const char *scenario : scenarios) {
		SCOPED_TRACE(scenario);
		run_result r = run_sim(scenario, {});
		EXPECT_EQ(r.status, 2);
		EXPECT_NE(r.err.find(":2: "), std::string::npos) << r.err;
	}
}

TEST(Scenario, UnreadableFileIsRefused)
{
	const struct {
		const char *path;
		const char *reason;
	} cases[] = {
	    {"/nonexistent/scenario", "No such file or directory"},
	    {"/", "Is a directory"},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.path);
		run_result r = run_sim_file(c.path, {"-v"});
		EXPECT_EQ(r.status, 2);
		EXPECT_EQ(r.out, "");
		EXPECT_EQ(r.err,
		    std::string("pelko-sim: ") + c.path + ": " + c.reason +
			"\n");
	}
}

} // namespace
