// SPDX-License-Identifier: BSD-2-Clause
#include <stdio.h>
#include <string.h>

#include "format.h"
#include "print.h"

// The whole part made backwards, two digits a division, the decimals
// forwards from the point until none is left, so that no zero ends them;
// copied in at once: 24 bytes hold each side.
void print_decimal(int64_t value, int64_t divisor)
{
	constexpr size_t most = 24;
	char text[3 * most];
	char *first = text + most, *end = first;
	uint64_t magnitude = value < 0 ? 0ULL - static_cast<uint64_t>(value)
				       : static_cast<uint64_t>(value);
	auto d = static_cast<uint64_t>(divisor);
	uint64_t whole = magnitude / d, part = magnitude % d;

	if (part != 0)
		*end++ = '.';
	for (; part != 0; part %= d) {
		d /= 10;
		*end++ = static_cast<char>('0' + part / d);
	}
	for (; whole >= 100; whole /= 100) {
		auto pair = static_cast<unsigned>(whole % 100);
		*--first = static_cast<char>('0' + pair % 10);
		*--first = static_cast<char>('0' + pair / 10);
	}
	do {
		*--first = static_cast<char>('0' + whole % 10);
		whole /= 10;
	} while (whole != 0);
	if (value < 0)
		*--first = '-';
	memcpy(report_room(2 * most), first, 2 * most);
	report_used(static_cast<size_t>(end - first));
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

void print_quotient(int64_t value, int64_t per)
{
	if (per <= 1 || per > (int64_t{1} << 59)) {
		print_decimal(value, 1);
		return;
	}
	// Long division, a digit at a time: ten times the rest over per.  Of
	// a power of ten or of two, the rest ends within 60 digits.
	uint64_t magnitude = value < 0 ? 0ULL - static_cast<uint64_t>(value)
				       : static_cast<uint64_t>(value);
	const auto denominator = static_cast<uint64_t>(per);
	if (value < 0)
		report_putc('-');
	print_decimal(static_cast<int64_t>(magnitude / denominator), 1);
	uint64_t rest = magnitude % denominator;
	if (rest != 0)
		report_putc('.');
	for (int digits = 0; rest != 0 && digits < 60;
	     digits++, rest %= denominator) {
		rest *= 10;
		report_putc(static_cast<char>('0' + rest / denominator));
	}
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

// Made in place: two bytes at most for each, and the quotes.
void print_quoted(const char *text, size_t size)
{
	size_t length = strnlen(text, size < 255 ? size : 255);
	char *first = report_room(2 * length + 2), *end = first;

	*end++ = '"';
	for (size_t i = 0; i < length; i++) {
		auto byte = static_cast<unsigned char>(text[i]);
		if (byte == '"' || byte == '\\')
			*end++ = '\\';
		*end++ = byte < 0x20 || byte > 0x7e ? '?' : text[i];
	}
	*end++ = '"';
	report_used(static_cast<size_t>(end - first));
}
