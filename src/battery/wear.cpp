// SPDX-License-Identifier: BSD-2-Clause
// The sections that -x adds about power: the AC line's and the battery
// summary's rows that -x shows, and those of each supply that is no
// battery; then the battery rows, for each battery that is present.

#include "battery.h"
#include "format/print.h"
#include "tables/table.h"

void report_battery_wear(const readings &r)
{
	bool any = false;
	auto present = [](const battery_entry &b) {
		return b.u->stage > battery_stage::not_present;
	};

	each_battery(r, [&](const battery_entry &b) {
		any = any || (present(b) && any_line(r, battery_table, b));
	});
	if (!any)
		return;
	report_puts("\n[Battery wear]");
	each_battery(r, [&](const battery_entry &b) {
		if (present(b))
			print_lines(r, battery_table, b);
	});
}

void report_power_supply(const readings &r)
{
	bool any = any_line(r, power_table, r) || any_line(r, summary_table, r);

	each(r.supplies, [&](const supply_reading &s) {
		any = any || any_line(r, supply_table, s);
	});
	if (!any)
		return;
	report_puts("\n[Power supply]");
	print_lines(r, power_table, r);
	print_lines(r, summary_table, r);
	each(r.supplies,
	    [&](const supply_reading &s) { print_lines(r, supply_table, s); });
}
