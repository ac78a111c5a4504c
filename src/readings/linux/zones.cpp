// SPDX-License-Identifier: BSD-2-Clause
#include <stddef.h>
#include <string.h>

#include "sysfs_list.h"
#include "zones.h"

namespace {

// The most trip points looked for in one zone.
constexpr int max_trip_points = 64;

// Where a trip point's temperature goes in the zone's limits: a slot for
// each of these types, then the active ones in order.
const char *const slot_types[] = {"critical", "hot", "passive"};
constexpr int active_slot = 3;

sensor_value *limit_at(zone_limits *l, int slot)
{
	sensor_value *fixed[active_slot] = {&l->critical, &l->hot, &l->passive};
	return slot < active_slot ? fixed[slot]
				  : &l->active[slot - active_slot];
}

// A trip point that the outputs may show: its slot, its number M and its
// trip_point_M_temp.
struct zone_trip {
	int slot;
	int number;
	sysfs_file temp;
};

// What is kept of each zone, by its number: its files, those found
// missing, and which of its trip points fill which limits.  The files and
// trip points are fixed when the kernel makes the zone, and the trip
// points' types with them; their temperatures are read at every report.
struct zone_files {
	int number;
	sysfs_file temp, type;
	bool no_temp, no_type; // found missing
	bool trips_known;      // trip points looked for since it was found
	int trips;
	zone_trip trip[max_trip_points];
};

grow_list<zone_files> zone_files_now, zone_files_before;
sysfs_stamp zones_stamp;

// The trip points of the types the outputs show, in order: the k-th
// active one is active k, and of the others each type's first that reads.
void find_trips(zone_files *f)
{
	int actives = 0;
	char type[16];

	f->trips = 0;
	f->trips_known = true;
	for (int m = 0; m < max_trip_points &&
	     sysfs_read_text(nullptr, type, sizeof type,
		 "class/thermal/thermal_zone%d/trip_point_%d_type", f->number,
		 m);
	     m++) {
		int slot = -1;
		for (int i = 0; i < active_slot; i++)
			if (strcmp(type, slot_types[i]) == 0)
				slot = i;
		if (strcmp(type, "active") == 0 && actives < active_trip_points)
			slot = active_slot + actives++;
		if (slot >= 0)
			f->trip[f->trips++] = {slot, m, {}};
	}
}

// Whether a file read through its handle had to be opened anew by its
// path, as a zone put in the place of another under its number makes
// happen: the old zone's files read no more.
bool opened_anew(kept_handle before, const sysfs_file &file)
{
	return before.slot != 0 &&
	    (before.slot != file.kept.slot ||
		before.generation != file.kept.generation);
}

// The zone's temperature or type, unless it was found missing.
bool read_zone_text(sysfs_file *file, bool *missing, char *text, size_t size,
    const char *name, int zone)
{
	return sysfs_read_text(file, missing, text, size,
	    "class/thermal/thermal_zone%d/%s", zone, name);
}

} // namespace

void linux_list_zones(grow_list<zone_reading> *zones)
{
	static_assert(offsetof(zone_reading, number) == 0);
	static_assert(offsetof(zone_files, number) == 0);
	sysfs_list_numbered("class/thermal", "thermal_zone", zones);
	// After a device event, no zone's trip points are taken on trust.
	bool events = sysfs_restamp(&zones_stamp, "class/thermal") ==
	    sysfs_change::events;
	zone_files_now.swap(zone_files_before);
	zone_files_now.clear();
	for (const zone_reading &z : *zones) {
		zone_files *f = zone_files_now.add();
		f->number = z.number;
		if (const zone_files *before =
			zone_files_before.find_number(z.number))
			*f = *before;
		if (events)
			f->trips_known = f->no_temp = f->no_type = false;
	}
}

void linux_read_zone(zone_reading *z, bool extended)
{
	zone_files *f = zone_files_now.find_number(z->number);
	kept_handle temp = f->temp.kept, type = f->type.kept;
	char text[32];
	int32_t value = 0;

	z->temperature.known = read_zone_text(&f->temp, &f->no_temp, text,
				   sizeof text, "temp", z->number) &&
	    sysfs_parse_number(text, &value);
	z->temperature.value = value;
	if (!extended)
		return;
	if (!read_zone_text(&f->type, &f->no_type, z->type, sizeof z->type,
		"type", z->number))
		z->type[0] = '\0';
	if (!f->trips_known || opened_anew(temp, f->temp) ||
	    opened_anew(type, f->type))
		find_trips(f);
	for (int i = 0; i < f->trips; i++) {
		zone_trip &t = f->trip[i];
		sensor_value *limit = limit_at(&z->limits, t.slot);
		if (!limit->known &&
		    sysfs_read_int(&t.temp, &value,
			"class/thermal/thermal_zone%d/trip_point_%d_temp",
			z->number, t.number))
			*limit =
			    {plausible_limit(temperature_scale::millicelsius,
				 value),
				value};
	}
}
