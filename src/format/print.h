// SPDX-License-Identifier: BSD-2-Clause
// Standard output for the reports, at a fraction of stdio's cost: every
// line of every report goes through here, into one buffer that is written
// at the end of each report, when it fills, and at exit.  Whatever writes
// a report writes it through these alone, so that nothing overtakes it.
#pragma once

#include <cstddef>
#include <cstdint>

// Writes to standard output what printf(3) would, for formats whose
// conversions are %s, %c, %d, %i, %u (with l or ll), with a zero flag and
// a width (or *), and %.Nf with N up to 3 for a double, rounded to nearest
// and half to even on its exact value as printf rounds; any other format
// goes to vprintf(3).
void report_print(const char *format, ...)
    __attribute__((format(printf, 1, 2)));

// text and a newline, as puts(3).
void report_puts(const char *text);

// text, as fputs(3) to standard output.
void report_fputs(const char *text);

// What was printed and not yet written, which report_room gives room in
// while there is: limit is 0 until the first write, which registers the
// writing of what is left at exit.
namespace pending {
extern char text[65536];
extern size_t used, limit;
} // namespace pending

// One character, as putchar(3).
void report_putc(char c);

// length bytes of text, as fwrite(3) to standard output.
void report_write(const char *text, size_t length);

// Room for length bytes, at most 4096, after what was printed, for text
// to be made or copied in place rather than added piece by piece;
// report_used counts in what was put there.
char *report_room_slow(size_t length);

inline char *report_room(size_t length)
{
	if (pending::used + length <= pending::limit)
		return pending::text + pending::used;
	return report_room_slow(length);
}

inline void report_used(size_t length)
{
	pending::used += length;
}

// Where the next byte printed goes, and what was printed since such a
// mark, for a writer to keep a piece of text it printed: false once any
// of it was written out.
uint64_t report_mark();
bool report_since(uint64_t mark, const char **text, size_t *length);

// Writes what was printed to standard output: with one write(2) where
// standard output is a descriptor, through stdio where it is not.  False,
// with errno set, when this or an earlier write since the last call
// failed.  Done at exit too, so that what a report printed before a fatal
// error is not lost.
bool report_flush();
