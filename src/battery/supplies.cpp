// SPDX-License-Identifier: BSD-2-Clause
// The section that -x adds after the batteries: the rows of each power
// supply that is no battery.

#include "battery.h"
#include "format/print.h"
#include "tables/table.h"

void report_power_supplies(const readings &r)
{
	bool any = false;

	each(r.supplies, [&](const supply_reading &s) {
		any = any || any_line(r, supply_table, s);
	});
	if (!any)
		return;
	report_puts("\n[Power supplies]");
	each(r.supplies,
	    [&](const supply_reading &s) { print_lines(r, supply_table, s); });
}
