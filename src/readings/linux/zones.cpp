// SPDX-License-Identifier: BSD-2-Clause
#include <stddef.h>
#include <stdlib.h>
#include <string.h>

#include "sysfs_read.h"
#include "zones.h"

namespace {

// Each zone's temperature file, by the zone's number, kept from one
// listing to the next.
struct zone_file {
	int number;
	sysfs_file temp;
};

grow_list<zone_file> zone_files, zone_files_before;

} // namespace

void linux_list_zones(grow_list<zone_reading> *zones)
{
	static_assert(offsetof(zone_reading, number) == 0);
	sysfs_list_numbered("class/thermal", "thermal_zone", zones);
	zone_files.swap(zone_files_before);
	zone_files.clear();
	for (const zone_reading &z : *zones) {
		zone_file *f = zone_files.add();
		f->number = z.number;
		static_assert(offsetof(zone_file, number) == 0);
		if (const zone_file *before =
			zone_files_before.find_number(z.number))
			*f = *before;
	}
}

bool linux_zone_temperature(int zone, int32_t *millicelsius)
{
	zone_file *f = zone_files.find_number(zone);
	return sysfs_read_int(f != nullptr ? &f->temp : nullptr, millicelsius,
	    "class/thermal/thermal_zone%d/temp", zone);
}

void linux_zone_type(int zone, char (&type)[zone_type_size])
{
	if (!sysfs_read_text(type, sizeof type,
		"class/thermal/thermal_zone%d/type", zone))
		type[0] = '\0';
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
