// SPDX-License-Identifier: BSD-2-Clause
// Number and line formats that several writers share.
#pragma once

#include <cstdint>

// value / divisor exactly, without trailing zeros: 45123 / 1000 is
// "45.123", 57000000 / 1000000 is "57".  divisor is a power of ten.
void print_decimal(int64_t value, int64_t divisor);

// numerator / denominator rounded to four decimals, without trailing
// zeros: 51300 / 57000 is "0.9".  denominator is positive.
void print_fraction(int64_t numerator, int64_t denominator);

// A report line's label: a tab, the label, and tabs up to the value
// column, where the report's other values stand.
void print_label(const char *label);
