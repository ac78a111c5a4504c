// SPDX-License-Identifier: BSD-2-Clause
// A section of -x drawn from the tables: its header, then its lines,
// unless none of them is known.
#pragma once

#include "format/print.h"
#include "tables/table.h"

// lines calls the line it is given with each table, entity and part the
// section shows, in order: once to ask, once to print.
template <typename F>
void print_section(const readings &r, const char *header, F lines)
{
	bool any = false;

	lines([&](const auto &t, const auto &e, const part *only = nullptr) {
		any = any || any_line(r, t, e, only);
	});
	if (!any)
		return;
	report_puts(header);
	lines([&](const auto &t, const auto &e, const part *only = nullptr) {
		print_lines(r, t, e, only);
	});
}
