// SPDX-License-Identifier: BSD-2-Clause
// The section that -x adds about batteries: cycles, health, and the time
// until full while a battery charges.

#include <stdio.h>

#include "battery.h"
#include "format/format.h"
#include "format/print.h"

namespace {

bool present(const battery_unit &u)
{
	return u.stage > battery_stage::not_present;
}

bool any_wear(const readings &r)
{
	const battery_units &b = r.batteries;

	for (int unit = 0; unit < read_battery_units(b); unit++) {
		const battery_unit &u = b.unit[unit];
		if (present(u) &&
		    (u.cycles >= 0 || battery_health_known(u) ||
			battery_time_to_full(u, r.source) >= 0))
			return true;
	}
	return false;
}

// Last full over design capacity, in percent to a tenth, rounded.
void print_health(const battery_unit &u)
{
	int64_t tenths = (u.last_full_capacity * 1000 + u.design_capacity / 2) /
	    u.design_capacity;

	report_print("%lld.%lld\t\t\t\tpercent\n",
	    static_cast<long long>(tenths / 10),
	    static_cast<long long>(tenths % 10));
}

} // namespace

void report_battery_wear(const readings &r)
{
	const battery_units &b = r.batteries;
	char label[48];

	if (!any_wear(r))
		return;
	report_puts("\n[Battery wear]");
	for (int unit = 0; unit < read_battery_units(b); unit++) {
		const battery_unit &u = b.unit[unit];
		if (!present(u))
			continue;
		snprintf(label, sizeof label, "battery%d cycle count:", unit);
		print_label(label);
		if (u.cycles >= 0)
			report_print("%lld\n",
			    static_cast<long long>(u.cycles));
		else
			report_puts("unknown");
		snprintf(label, sizeof label, "battery%d health:", unit);
		print_label(label);
		if (battery_health_known(u))
			print_health(u);
		else
			report_puts("unknown");
		int64_t to_full = battery_time_to_full(u, r.source);
		if (to_full < 0)
			continue;
		snprintf(label, sizeof label, "battery%d time to full:", unit);
		print_label(label);
		report_print("%lld:%02lld\n",
		    static_cast<long long>(to_full / 3600),
		    static_cast<long long>(to_full / 60 % 60));
	}
}
