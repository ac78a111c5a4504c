// SPDX-License-Identifier: BSD-2-Clause
// The sections that -x adds about power: the AC line's and the battery
// summary's rows that -x shows, and those of each supply that is no
// battery; then the battery rows, for each battery that is present.

#include "battery.h"
#include "tables/section.h"

void report_battery_wear(const readings &r)
{
	print_section(r, "\n[Battery wear]", [&](auto line) {
		each_battery(r, [&](const battery_entry &b) {
			if (b.u->stage > battery_stage::not_present)
				line(battery_table, b);
		});
	});
}

void report_power_supply(const readings &r)
{
	print_section(r, "\n[Power supply]", [&](auto line) {
		line(power_table, r);
		line(summary_table, r);
		each(r.supplies,
		    [&](const supply_reading &s) { line(supply_table, s); });
	});
}
