// SPDX-License-Identifier: BSD-2-Clause
#include <time.h>

#include "format/format.h"
#include "format/print.h"
#include "json.h"
#include "sensors/fields.h"
#include "tables/table.h"

namespace {

// An object or array being written: a comma goes before every member but
// the first.
struct container {
	bool empty = true;
};

void next(container *c)
{
	if (!c->empty)
		report_putc(',');
	c->empty = false;
}

void key(container *c, const char *name)
{
	next(c);
	report_print("\"%s\":", name);
}

void null_or_bool(bool known, bool value)
{
	report_fputs(!known ? "null" : value ? "true" : "false");
}

// The report's time as RFC 3339 in UTC, to the second.
void timestamp(int64_t seconds)
{
	time_t t = static_cast<time_t>(seconds);
	struct tm utc;

	if (gmtime_r(&t, &utc) == nullptr) {
		report_fputs("null");
		return;
	}
	// strftime(3)'s "%Y-%m-%dT%H:%M:%SZ", without the weight of strftime
	// and the time zone code it brings into a static binary.
	report_print("\"%d-%02d-%02dT%02d:%02d:%02dZ\"", utc.tm_year + 1900,
	    utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
}

// The members of an entity's object from its table's rows: null for what
// is not known.
void members(const readings &r, const entity_table &t, const void *e,
    container *o)
{
	for (const row &w : t.rows) {
		if (!has_member(w))
			continue;
		key(o, w.key);
		value v = w.get(e, r);
		if (!v.known || w.as == shape::boolean)
			null_or_bool(v.known, v.number != 0);
		else if (w.as == shape::text)
			print_quoted(v.text, v.size);
		else
			print_value(r, w.as, w.in, v);
	}
}

using inner_fn = void (*)(const readings &, const void *, container *);

// An entity's object in a list: the members that name it, its rows' and
// then what inner adds, the arrays of its parts.
void object(const readings &r, const entity_table &t, const void *e,
    container *list, inner_fn inner)
{
	container o;

	next(list);
	report_putc('{');
	next(&o);
	t.identity(e);
	members(r, t, e, &o);
	if (inner != nullptr)
		inner(r, e, &o);
	report_putc('}');
}

// An array of the entities that each gives, each an object.
void array(const readings &r, const entity_table &t, each_entity each,
    inner_fn inner = nullptr)
{
	container list;

	report_putc('[');
	each([&](const void *e) { object(r, t, e, &list, inner); });
	report_putc(']');
}

void dies(const readings &r, const void *p, container *in)
{
	key(in, "dies");
	array(r, die_table, [&](auto f) {
		each_die(*static_cast<const package_reading *>(p), f);
	});
}

void trip_points(const readings &r, const void *z, container *in)
{
	key(in, "trip_points");
	array(r, trip_table, [&](auto f) {
		each_trip(*static_cast<const zone_reading *>(z), f);
	});
}

void alarm_members(const readings &r, const void *s, container *in)
{
	members(r, alarm_table, s, in);
}

// Each sensor with the members of its kind's table: its value, its
// limits; then its alarm.
void sensors(const readings &r)
{
	container list;

	report_putc('[');
	for (const sensor_reading &s : r.sensors)
		object(r, sensor_tables[static_cast<int>(s.kind)], &s, &list,
		    alarm_members);
	report_putc(']');
}

} // namespace

void write_json(const readings &r)
{
	container o, summary;

	report_fputs("{\"pelko\":{");
	key(&o, "schema_version");
	report_putc('1');
	key(&o, "timestamp");
	timestamp(r.time);
	key(&o, "cpus");
	array(r, cpu_table, [&](auto f) { each(r.cpus.cpu, f); });
	key(&o, "packages");
	array(
	    r, package_table, [&](auto f) { each(r.cpus.packages, f); }, dies);
	key(&o, "thermal_zones");
	array(
	    r, zone_table, [&](auto f) { each(r.zones.zone, f); }, trip_points);
	key(&o, "cooling_devices");
	array(r, cooling_table, [&](auto f) { each(r.cooling, f); });
	members(r, power_table, &r, &o);
	key(&o, "battery_summary");
	report_putc('{');
	members(r, summary_table, &r, &summary);
	report_putc('}');
	key(&o, "batteries");
	array(r, battery_table, [&](auto f) { each_battery(r, f); });
	key(&o, "supplies");
	array(r, supply_table, [&](auto f) { each(r.supplies, f); });
	key(&o, "sensors");
	sensors(r);
	key(&o, "power_domains");
	array(r, power_domain_table, [&](auto f) { each(r.power.domain, f); });
	report_fputs("}}\n");
}
