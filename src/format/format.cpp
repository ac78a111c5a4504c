// SPDX-License-Identifier: BSD-2-Clause
#include <stdio.h>
#include <string.h>

#include "format.h"
#include "print.h"

void print_decimal(int64_t value, int64_t divisor)
{
	const char *sign = value < 0 ? "-" : "";
	uint64_t magnitude = value < 0 ? 0ULL - static_cast<uint64_t>(value)
				       : static_cast<uint64_t>(value);
	uint64_t whole = magnitude / static_cast<uint64_t>(divisor);
	uint64_t part = magnitude % static_cast<uint64_t>(divisor);
	int digits = 0;

	for (int64_t d = divisor; d > 1; d /= 10)
		digits++;
	while (part != 0 && part % 10 == 0) {
		part /= 10;
		digits--;
	}
	report_fputs(sign);
	report_unsigned(whole, 0);
	if (part != 0) {
		report_putc('.');
		report_unsigned(part, digits);
	}
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

void print_quoted(const char *text, size_t size)
{
	char shown[256];

	if (size >= sizeof shown)
		size = sizeof shown - 1;
	printable_text(text, size, shown);
	report_putc('"');
	for (const char *p = shown; *p != '\0'; p++) {
		if (*p == '"' || *p == '\\')
			report_putc('\\');
		report_putc(*p);
	}
	report_putc('"');
}
