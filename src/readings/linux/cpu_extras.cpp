#include <string.h>

#include "cpu_extras.h"
#include "sysfs_read.h"

void linux_cpu_throttling(int cpu, cpu_throttling *throttling)
{
	int64_t count, ms;

	if (sysfs_read_count(&count,
		"devices/system/cpu/cpu%d/thermal_throttle/core_throttle_count",
		cpu)) {
		throttling->core_throttles = count;
		throttling->logged = count > 0 ? 1 : 0;
	}
	if (sysfs_read_count(&ms,
		"devices/system/cpu/cpu%d/thermal_throttle/"
		"core_throttle_total_time_ms",
		cpu))
		throttling->core_throttle_ms = ms;
}

int64_t linux_package_throttles(int cpu)
{
	int64_t count;

	return sysfs_read_count(&count,
		   "devices/system/cpu/cpu%d/thermal_throttle/"
		   "package_throttle_count",
		   cpu)
	    ? count
	    : -1;
}

namespace {

// The reading of a trip point of that type: each type's first, and the
// active ones in order.
temperature_reading *trip_point(zone_limits *l, const char *type, int *actives)
{
	temperature_reading *t = nullptr;

	if (strcmp(type, "critical") == 0)
		t = &l->critical;
	else if (strcmp(type, "hot") == 0)
		t = &l->hot;
	else if (strcmp(type, "passive") == 0)
		t = &l->passive;
	else if (strcmp(type, "active") == 0 && *actives < active_trip_points)
		t = &l->active[(*actives)++];
	return t != nullptr && !t->known ? t : nullptr;
}

} // namespace

zone_limits linux_zone_limits(int zone)
{
	zone_limits l = {};
	int actives = 0;
	char type[16];

	for (int m = 0; m < 64 &&
	     sysfs_read_text(type, sizeof type,
		 "class/thermal/thermal_zone%d/trip_point_%d_type", zone, m);
	     m++) {
		temperature_reading *t = trip_point(&l, type, &actives);
		int32_t value;
		if (t == nullptr ||
		    !sysfs_read_int(&value,
			"class/thermal/thermal_zone%d/trip_point_%d_temp", zone,
			m))
			continue;
		*t = {plausible_limit(temperature_scale::millicelsius, value),
		    value};
	}
	return l;
}
