// SPDX-License-Identifier: BSD-2-Clause
#include <stdio.h>
#include <string.h>

#include "format.h"
#include "print.h"

// Made in place: the digits counted first, then written from the last.
void print_decimal(int64_t value, int64_t divisor)
{
	static const uint64_t powers[] = {1, 10, 100, 1000, 10000, 100000,
	    1000000, 10000000, 100000000, 1000000000, 10000000000,
	    100000000000, 1000000000000, 10000000000000, 100000000000000,
	    1000000000000000, 10000000000000000, 100000000000000000,
	    1000000000000000000, 10000000000000000000U};
	uint64_t magnitude = value < 0 ? 0ULL - static_cast<uint64_t>(value)
				       : static_cast<uint64_t>(value);
	uint64_t whole = magnitude / static_cast<uint64_t>(divisor);
	uint64_t part = magnitude % static_cast<uint64_t>(divisor);
	size_t decimals = 0, digits = 1;

	while (powers[decimals] < static_cast<uint64_t>(divisor))
		decimals++;
	for (; part != 0 && part % 10 == 0; part /= 10)
		decimals--;
	while (digits < 20 && powers[digits] <= whole)
		digits++;
	size_t length = (value < 0 ? 1 : 0) + digits +
	    (part != 0 ? 1 + decimals : 0);
	char *first = report_room(), *p = first + length;
	if (part != 0) {
		for (; decimals > 0; decimals--, part /= 10)
			*--p = static_cast<char>('0' + part % 10);
		*--p = '.';
	}
	do
		*--p = static_cast<char>('0' + whole % 10);
	while ((whole /= 10) != 0);
	if (value < 0)
		*--p = '-';
	report_used(length);
}

void print_fraction(int64_t numerator, int64_t denominator)
{
	// Amounts fit 32 bits, so the product cannot overflow.
	int64_t scaled = numerator * 10000;
	int64_t half = denominator / 2;
	int64_t rounded =
	    (scaled >= 0 ? scaled + half : scaled - half) / denominator;

	print_decimal(rounded, 10000);
}

// The column of the values: a tab, and four tab stops of eight.
constexpr size_t value_column = 40;

void print_label(const char *label)
{
	size_t column = 8 + strlen(label);

	report_print("\t%s", label);
	do {
		report_putc('\t');
		column = (column / 8 + 1) * 8;
	} while (column < value_column);
}

void printable_text(const char *text, size_t size, char *shown)
{
	size_t length = strnlen(text, size);

	for (size_t i = 0; i < length; i++) {
		auto byte = static_cast<unsigned char>(text[i]);
		shown[i] = byte < 0x20 || byte > 0x7e ? '?' : text[i];
	}
	shown[length] = '\0';
}

// Each run of bytes that stand as they are printed at once.
void print_quoted(const char *text, size_t size)
{
	size_t length = strnlen(text, size < 255 ? size : 255), run = 0;

	report_putc('"');
	for (size_t i = 0; i < length; i++) {
		auto byte = static_cast<unsigned char>(text[i]);
		bool escaped = byte == '"' || byte == '\\';
		if (byte >= 0x20 && byte <= 0x7e && !escaped)
			continue;
		report_write(text + run, i - run);
		report_putc(escaped ? '\\' : '?');
		// An escaped byte starts the next run.
		run = escaped ? i : i + 1;
	}
	report_write(text + run, length - run);
	report_putc('"');
}
