// SPDX-License-Identifier: BSD-2-Clause
#include <errno.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "print.h"

namespace {

// One conversion: flags, width and precision, its length and its letter.
struct conversion {
	bool zero;
	bool star;
	int width;
	int precision; // -1: none
	int longs;     // 0, 1 for l, 2 for ll
	char letter;
	const char *end; // past the letter
};

// Parses the conversion after '%'; false for one report_print leaves to
// vprintf(3).
bool parse(const char *p, conversion *c)
{
	*c = {false, false, 0, -1, 0, '\0', nullptr};
	if (*p == '0') {
		c->zero = true;
		p++;
	}
	if (*p == '*') {
		c->star = true;
		p++;
	}
	for (; *p >= '0' && *p <= '9'; p++)
		c->width = c->width * 10 + (*p - '0');
	if (*p == '.') {
		c->precision = 0;
		for (p++; *p >= '0' && *p <= '9'; p++)
			c->precision = c->precision * 10 + (*p - '0');
	}
	for (; *p == 'l' && c->longs < 2; p++)
		c->longs++;
	c->letter = *p;
	c->end = p + 1;
	switch (c->letter) {
	case 'd':
	case 'i':
	case 'u':
		return c->precision == -1;
	case 's':
	case 'c':
	case '%':
		return c->precision == -1 && c->width == 0 && !c->zero &&
		    !c->star && c->longs == 0;
	case 'f':
		return c->precision >= 0 && c->precision <= 3 &&
		    c->width == 0 && !c->zero && !c->star && c->longs <= 1;
	default:
		return false;
	}
}

// Whether report_print can do every conversion of the format.  The
// formats are the program's constants: the last answers are kept by
// address, so that each is looked through once.
bool plain(const char *format)
{
	static const char *known_plain[64];
	size_t slot = (reinterpret_cast<uintptr_t>(format) >> 3) %
	    (sizeof known_plain / sizeof known_plain[0]);
	conversion c;

	if (known_plain[slot] == format)
		return true;
	for (const char *p = strchr(format, '%'); p != nullptr;
	     p = strchr(c.end, '%'))
		if (!parse(p + 1, &c))
			return false;
	known_plain[slot] = format;
	return true;
}

// What was printed and not yet written, and the first error of a write
// since the last report_flush.
char pending[65536];
size_t pending_used;
int write_error;

void flush_at_exit()
{
	report_flush();
}

// Writes the pending text with write(2) where standard output is a
// descriptor, so that a report leaves in one call; through stdio where it
// is not (a stream in memory, as the tests make).
void write_pending()
{
	int fd = fileno(stdout);

	if (fd < 0) {
		fwrite(pending, 1, pending_used, stdout);
		pending_used = 0;
		return;
	}
	// What stdio holds goes first.
	fflush(stdout);
	for (const char *p = pending; p < pending + pending_used;) {
		ssize_t n = write(fd, p,
		    static_cast<size_t>(pending + pending_used - p));
		if (n < 0 && errno == EINTR)
			continue;
		if (n <= 0) {
			if (write_error == 0)
				write_error = n < 0 ? errno : EIO;
			break;
		}
		p += n;
	}
	pending_used = 0;
}

// Adds to the pending text, written first where it has no room.
void put(const char *bytes, size_t length)
{
	static bool registered;
	if (!registered)
		registered = atexit(flush_at_exit) == 0;
	if (sizeof pending - pending_used < length)
		write_pending();
	if (length >= sizeof pending) {
		fwrite(bytes, 1, length, stdout);
		return;
	}
	memcpy(pending + pending_used, bytes, length);
	pending_used += length;
}

// The digits of magnitude, with a minus sign if negative, zero-padded
// (or space-padded) to width.
void put_integer(bool negative, unsigned long long magnitude, int width,
    bool zero)
{
	char digits[24];
	char *first = digits + sizeof digits;

	do {
		*--first = static_cast<char>('0' + magnitude % 10);
		magnitude /= 10;
	} while (magnitude != 0);
	int length = static_cast<int>(digits + sizeof digits - first) +
	    (negative ? 1 : 0);
	if (!zero)
		for (; length < width; length++)
			put(" ", 1);
	if (negative)
		put("-", 1);
	if (zero)
		for (; length < width; length++)
			put("0", 1);
	put(first, static_cast<size_t>(digits + sizeof digits - first));
}

// value with precision decimals, rounded to nearest and half to even on
// its exact binary value: value is mantissa * 2^-shift, from the bits of
// its IEEE 754 double, and value * 10^precision is worked out in whole
// numbers.  False when it is too large for them, or not a number.
bool put_fixed(double value, int precision)
{
	static const uint64_t powers[] = {1, 10, 100, 1000};
	uint64_t scale = powers[precision];
	uint64_t bits;

	static_assert(sizeof bits == sizeof value);
	memcpy(&bits, &value, sizeof bits);
	bool negative = (bits >> 63) != 0;
	int biased = static_cast<int>((bits >> 52) & 0x7ff);
	uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
	if (biased == 0x7ff)
		return false;
	if (biased != 0)
		mantissa |= uint64_t{1} << 52;
	else
		biased = 1;
	// value = mantissa * 2^(biased - 1075); 1e15 < 2^50 is the bound.
	int shift = 1075 - biased;
	if (shift < 53 - 50)
		return false;
	uint64_t scaled; // round(fabs(value) * scale)
	if (shift >= 64) {
		scaled = 0; // below 2^53 * 1000 / 2^64: less than a half
	} else {
		// mantissa * scale < 2^63: scale is at most 1000.
		uint64_t product = mantissa * scale;
		uint64_t remainder = product & ((uint64_t{1} << shift) - 1);
		uint64_t half = uint64_t{1} << (shift - 1);
		scaled = product >> shift;
		if (remainder > half || (remainder == half && (scaled & 1)))
			scaled++;
	}
	put_integer(negative, scaled / scale, 0, false);
	if (precision > 0) {
		put(".", 1);
		put_integer(false, scaled % scale, precision, true);
	}
	return true;
}

void put_conversion(const conversion &c, va_list *ap)
{
	int width = c.star ? va_arg(*ap, int) : c.width;

	switch (c.letter) {
	case 's': {
		const char *text = va_arg(*ap, const char *);
		put(text, strlen(text));
		break;
	}
	case 'c': {
		char one = static_cast<char>(va_arg(*ap, int));
		put(&one, 1);
		break;
	}
	case '%':
		put("%", 1);
		break;
	case 'u': {
		unsigned long long v = c.longs == 2
		    ? va_arg(*ap, unsigned long long)
		    : c.longs == 1 ? va_arg(*ap, unsigned long)
				   : va_arg(*ap, unsigned);
		put_integer(false, v, width, c.zero);
		break;
	}
	case 'f': {
		double v = va_arg(*ap, double);
		if (!put_fixed(v, c.precision)) {
			char text[64];
			int length =
			    snprintf(text, sizeof text, "%.*f", c.precision, v);
			put(text, static_cast<size_t>(length));
		}
		break;
	}
	default: {
		long long v = c.longs == 2 ? va_arg(*ap, long long)
		    : c.longs == 1	   ? va_arg(*ap, long)
					   : va_arg(*ap, int);
		unsigned long long magnitude = v < 0
		    ? 0ULL - static_cast<unsigned long long>(v)
		    : static_cast<unsigned long long>(v);
		put_integer(v < 0, magnitude, width, c.zero);
	}
	}
}

} // namespace

void report_print(const char *format, ...)
{
	va_list ap;

	va_start(ap, format);
	if (!plain(format)) {
		if (pending_used > 0)
			write_pending();
		vprintf(format, ap);
		va_end(ap);
		return;
	}
	for (const char *p = format;;) {
		const char *percent = strchrnul(p, '%');
		put(p, static_cast<size_t>(percent - p));
		if (*percent == '\0')
			break;
		conversion c;
		parse(percent + 1, &c);
		put_conversion(c, &ap);
		p = c.end;
	}
	va_end(ap);
}

void report_puts(const char *text)
{
	put(text, strlen(text));
	put("\n", 1);
}

void report_fputs(const char *text)
{
	put(text, strlen(text));
}

void report_putc(char c)
{
	put(&c, 1);
}

void report_unsigned(unsigned long long value, int width)
{
	put_integer(false, value, width, true);
}

bool report_flush()
{
	if (pending_used > 0)
		write_pending();
	int error = write_error;
	write_error = 0;
	if (error != 0)
		errno = error;
	return error == 0;
}
