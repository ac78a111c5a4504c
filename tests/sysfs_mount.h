// SPDX-License-Identifier: BSD-2-Clause
// Running the shipped pelko with a fixture tree mounted over /sys, in a
// private mount namespace (root only), and the tools the tests check its
// output with.  Where something is missing the tests are skipped, unless
// PELKO_REQUIRE_ALL_TESTS is set, as CI sets it: then they fail.
#pragma once

#include <stdlib.h>

#include <string>
#include <vector>

#include "run.h"

// The shipped pelko with args, tree mounted over /sys.
run_result run_over_sysfs(const std::string &tree,
    const std::vector<std::string> &args);

// A scratch copy of a fixture tree, removed with all it holds.
struct fixture_copy {
	std::string path;
	explicit fixture_copy(const std::string &tree);
	~fixture_copy();
	fixture_copy(const fixture_copy &) = delete;
	fixture_copy &operator=(const fixture_copy &) = delete;
	// Writes text to the file at relative path, whatever it was.
	void replace(const std::string &relative,
	    const std::string &text) const;
};

// Why trees cannot be mounted over /sys here, or "" when they can.
std::string sysfs_mount_unavailable();

// Why path cannot be run, or "".
std::string tool_unavailable(const char *path);

// promtool's verdict on a metrics text: "" when it takes it without a
// word, else what it said.
std::string promtool_verdict(const std::string &metrics);

#define SKIP_OR_FAIL_IF(why_expression)                                        \
	do {                                                                   \
		static const std::string why = (why_expression);               \
		if (!why.empty() && getenv("PELKO_REQUIRE_ALL_TESTS"))         \
			FAIL() << why;                                         \
		if (!why.empty())                                              \
			GTEST_SKIP() << why;                                   \
	} while (0)

#define REQUIRE_SYSFS_MOUNT() SKIP_OR_FAIL_IF(sysfs_mount_unavailable())
