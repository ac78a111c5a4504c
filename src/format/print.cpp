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

// A format taken apart once: the runs of text between its conversions,
// and the conversions.  The formats are the program's constants, so one is
// known by its address; a slot holds the last format whose address chose
// it.
constexpr int most_conversions = 8;

struct compiled_format {
	const char *format; // nullptr: a free slot
	int count; // conversions; -1: one report_print leaves to vprintf(3)
	struct {
		uint32_t at, length;
	} text[most_conversions + 1]; // text[i] stands before conversion i
	conversion conversions[most_conversions];
};

compiled_format compiled[64];

// The format taken apart, from its slot or anew.  count is -1 for a
// format report_print leaves to vprintf(3), or one with more conversions
// than a slot holds.
const compiled_format &compile(const char *format)
{
	size_t slot = (reinterpret_cast<uintptr_t>(format) >> 3) %
	    (sizeof compiled / sizeof compiled[0]);
	compiled_format &f = compiled[slot];

	if (f.format == format)
		return f;
	f.format = format;
	f.count = 0;
	for (const char *p = format;;) {
		const char *percent = strchrnul(p, '%');
		f.text[f.count] = {static_cast<uint32_t>(p - format),
		    static_cast<uint32_t>(percent - p)};
		if (*percent == '\0')
			break;
		if (f.count == most_conversions ||
		    !parse(percent + 1, &f.conversions[f.count])) {
			f.count = -1;
			break;
		}
		p = f.conversions[f.count++].end;
	}
	return f;
}

} // namespace

namespace pending {

char text[65536];
size_t used, limit;

} // namespace pending

namespace {

// The first error of a write since the last report_flush.
int write_error;
// How many times printed text left pending, for report_since.
uint32_t writes;

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

	writes++;
	if (fd < 0) {
		fwrite(pending::text, 1, pending::used, stdout);
		pending::used = 0;
		return;
	}
	// What stdio holds goes first.
	fflush(stdout);
	for (const char *p = pending::text;
	     p < pending::text + pending::used;) {
		ssize_t n = write(fd, p,
		    static_cast<size_t>(pending::text + pending::used - p));
		if (n < 0 && errno == EINTR)
			continue;
		if (n <= 0) {
			if (write_error == 0)
				write_error = n < 0 ? errno : EIO;
			break;
		}
		p += n;
	}
	pending::used = 0;
}

// Adds to the pending text where it has no room, or at the first call,
// which registers its writing at exit.
void put_slow(const char *bytes, size_t length)
{
	if (pending::limit == 0 && atexit(flush_at_exit) == 0)
		pending::limit = sizeof pending::text;
	if (sizeof pending::text - pending::used < length)
		write_pending();
	if (length >= sizeof pending::text) {
		writes++;
		fwrite(bytes, 1, length, stdout);
		return;
	}
	memcpy(pending::text + pending::used, bytes, length);
	pending::used += length;
}

// Adds to the pending text, written first where it has no room.
inline void put(const char *bytes, size_t length)
{
	if (pending::used + length <= pending::limit) {
		memcpy(pending::text + pending::used, bytes, length);
		pending::used += length;
		return;
	}
	put_slow(bytes, length);
}

// Two decimal digits of each number below 100.
constexpr char digit_pairs[] = "00010203040506070809"
			       "10111213141516171819"
			       "20212223242526272829"
			       "30313233343536373839"
			       "40414243444546474849"
			       "50515253545556575859"
			       "60616263646566676869"
			       "70717273747576777879"
			       "80818283848586878889"
			       "90919293949596979899";

// The digits of magnitude, with a minus sign if negative, zero-padded
// (or space-padded) to width: made at the end of one buffer, two digits
// at a time, and added at once.
void put_integer(bool negative, unsigned long long magnitude, int width,
    bool zero)
{
	constexpr int widest = 64;
	char text[widest + 24];
	char *first = text + sizeof text;

	for (; magnitude >= 100; magnitude /= 100)
		memcpy(first -= 2, digit_pairs + magnitude % 100 * 2, 2);
	if (magnitude >= 10)
		memcpy(first -= 2, digit_pairs + magnitude * 2, 2);
	else
		*--first = static_cast<char>('0' + magnitude);
	int length =
	    static_cast<int>(text + sizeof text - first) + (negative ? 1 : 0);
	if (width > widest) {
		// Wider than the buffer: the padding a character at a time.
		if (!zero)
			for (; length < width; length++)
				put(" ", 1);
		if (negative)
			put("-", 1);
		if (zero)
			for (; length < width; length++)
				put("0", 1);
		put(first, static_cast<size_t>(text + sizeof text - first));
		return;
	}
	if (zero)
		for (; length < width; length++)
			*--first = '0';
	if (negative)
		*--first = '-';
	if (!zero)
		for (; length < width; length++)
			*--first = ' ';
	put(first, static_cast<size_t>(text + sizeof text - first));
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
	const compiled_format &f = compile(format);

	va_start(ap, format);
	if (f.count < 0) {
		if (pending::used > 0)
			write_pending();
		writes++;
		vprintf(format, ap);
		va_end(ap);
		return;
	}
	for (int i = 0; i < f.count; i++) {
		put(format + f.text[i].at, f.text[i].length);
		put_conversion(f.conversions[i], &ap);
	}
	put(format + f.text[f.count].at, f.text[f.count].length);
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
	if (pending::used < pending::limit) {
		pending::text[pending::used++] = c;
		return;
	}
	put_slow(&c, 1);
}

void report_write(const char *text, size_t length)
{
	put(text, length);
}

char *report_room_slow(size_t length)
{
	put_slow("", 0);
	if (sizeof pending::text - pending::used < length)
		write_pending();
	return pending::text + pending::used;
}

uint64_t report_mark()
{
	return uint64_t{writes} << 32 | pending::used;
}

bool report_since(uint64_t mark, const char **text, size_t *length)
{
	if (mark >> 32 != writes)
		return false;
	size_t at = mark & 0xffffffff;
	*text = pending::text + at;
	*length = pending::used - at;
	return true;
}

bool report_flush()
{
	if (pending::used > 0)
		write_pending();
	int error = write_error;
	write_error = 0;
	if (error != 0)
		errno = error;
	return error == 0;
}
