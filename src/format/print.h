// SPDX-License-Identifier: BSD-2-Clause
// printf(3) for the conversions the reports use, at a fraction of its cost:
// every line of every report goes through it.
#pragma once

// Writes to standard output what printf(3) would, for formats whose
// conversions are %s, %c, %d, %i, %u (with l or ll), with a zero flag and
// a width (or *), and %.Nf with N up to 3 for a double, rounded to nearest
// and half to even on its exact value as printf rounds; any other format
// goes to vprintf(3).
void report_print(const char *format, ...)
    __attribute__((format(printf, 1, 2)));
