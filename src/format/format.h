// SPDX-License-Identifier: BSD-2-Clause
// Number and line formats that several writers share.
#pragma once

#include <cstddef>
#include <cstdint>

// value / divisor exactly, without trailing zeros: 45123 / 1000 is
// "45.123", 57000000 / 1000000 is "57".  divisor is a power of ten.
void print_decimal(int64_t value, int64_t divisor);

// value / per exactly, without trailing zeros, where per is a power of ten
// or of two up to 2^59: 98304 / 65536 is "1.5".  Any other per is cut
// after 60 decimals.
void print_quotient(int64_t value, int64_t per);

// numerator / denominator rounded to four decimals, without trailing
// zeros: 51300 / 57000 is "0.9".  denominator is positive.
void print_fraction(int64_t numerator, int64_t denominator);

// A string from firmware or a driver as it may be shown: up to its NUL and
// never past its size, with every byte outside printable ASCII (0x20 to
// 0x7e) as '?'; shown holds size + 1 bytes.  Shown raw, such a string
// could drive a terminal (0x9b is an 8-bit CSI), forge the lines and
// columns that scripts read, or, cut in the middle of a UTF-8 character,
// make a metrics file that its readers refuse whole.
void printable_text(const char *text, size_t size, char *shown);

// The same string between double quotes, with backslash and double quote
// escaped: a JSON string and a metric label value alike.  At most 255
// bytes of it.
void print_quoted(const char *text, size_t size);

// A report line's label: a tab, the label, and tabs up to the value
// column, where the report's other values stand.
void print_label(const char *label);
