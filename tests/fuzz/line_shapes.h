// SPDX-License-Identifier: BSD-2-Clause
// Matching a report line against the shapes a section may write.
#pragma once

#include <string_view>

// Whether line (without its newline) has the shape of pattern.  In a
// pattern, %d stands for a decimal number with an optional minus sign, %u
// for the unit word "mW" or "mA", %w for state words ("high", "critical",
// "discharging", "charging", one blank between them, or none at all), and
// %s, which ends a pattern, for any printable ASCII text.  Every
// other character stands for itself.
bool line_has_shape(std::string_view line, std::string_view pattern);
