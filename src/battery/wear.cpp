// The section that -x adds about batteries: cycles and health.

#include <stdio.h>

#include "battery.h"
#include "format/format.h"

namespace {

bool present(const battery_unit &u)
{
	return u.stage > battery_stage::not_present;
}

bool any_wear(const battery_units &b)
{
	for (int unit = 0; unit < read_battery_units(b); unit++) {
		const battery_unit &u = b.unit[unit];
		if (present(u) && (u.cycles >= 0 || battery_health_known(u)))
			return true;
	}
	return false;
}

// Last full over design capacity, in percent to a tenth, rounded.
void print_health(const battery_unit &u)
{
	int64_t tenths = (u.last_full_capacity * 1000 + u.design_capacity / 2) /
	    u.design_capacity;

	printf("%lld.%lld\t\t\t\tpercent\n",
	    static_cast<long long>(tenths / 10),
	    static_cast<long long>(tenths % 10));
}

} // namespace

void report_battery_wear(const readings &r)
{
	const battery_units &b = r.batteries;
	char label[48];

	if (!any_wear(b))
		return;
	puts("\n[Battery wear]");
	for (int unit = 0; unit < read_battery_units(b); unit++) {
		const battery_unit &u = b.unit[unit];
		if (!present(u))
			continue;
		snprintf(label, sizeof label, "battery%d cycle count:", unit);
		print_label(label);
		if (u.cycles >= 0)
			printf("%lld\n", static_cast<long long>(u.cycles));
		else
			puts("unknown");
		snprintf(label, sizeof label, "battery%d health:", unit);
		print_label(label);
		if (battery_health_known(u))
			print_health(u);
		else
			puts("unknown");
	}
}
