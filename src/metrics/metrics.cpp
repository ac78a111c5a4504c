// SPDX-License-Identifier: BSD-2-Clause
// The metrics: each table's rows as families, one sample per entity whose
// value is known, in the order that the metrics have always had.
#include <string.h>

#include <cstdint>

#include "family.h"
#include "format/format.h"
#include "format/print.h"
#include "metrics.h"
#include "sensors/fields.h"
#include "tables/table.h"

namespace {

// The families' header lines, and the series' prefixes, "name{labels} "
// ("name{labels" for an info sample, whose labels are values read anew):
// one for each row and for each of its entities in the order the families
// visit them, known or not, made at its first use and copied after, while
// the reader's structure stamp stands.
struct prefix {
	uint32_t at, length; // in prefix_text; length 0: not made yet
};

grow_list<prefix> prefixes;
grow_list<char> prefix_text;
uint64_t prefixes_structure;
size_t visited; // rows and entities visited in this report

// Text made in place: the samples' pieces, mostly of a few bytes.
void put(const char *text, size_t length)
{
	memcpy(report_room(length), text, length);
	report_used(length);
}

// Keeps what was printed since mark as the series' prefix.
void keep_prefix(size_t series, uint64_t mark)
{
	const char *text;
	size_t length;
	if (!report_since(mark, &text, &length) || length == 0 ||
	    length > 4096 || prefix_text.count + length > UINT32_MAX)
		return;
	while (prefixes.count <= series)
		prefixes.add();
	prefix_text.reserve(length);
	memcpy(prefix_text.items + prefix_text.count, text, length);
	prefixes.items[series] = {static_cast<uint32_t>(prefix_text.count),
	    static_cast<uint32_t>(length)};
	prefix_text.count += length;
}

// The series' prefix, from what make printed before, or printed by make
// and kept.
template <typename Make>
void write_prefix(size_t series, Make make)
{
	if (series < prefixes.count && prefixes.items[series].length > 0) {
		const prefix &p = prefixes.items[series];
		put(prefix_text.items + p.at, p.length);
		return;
	}
	uint64_t mark = report_mark();
	make();
	keep_prefix(series, mark);
}

// The info sample's labels: the text rows before its row, back to the
// info row before it, each by its key.
void info_labels(const readings &r, const entity_table &t, const row &info,
    const void *e)
{
	size_t end = static_cast<size_t>(&info - t.rows.data()), first = end;

	while (first > 0 && t.rows[first - 1].as != shape::info)
		first--;
	for (const row &w : t.rows.subspan(first, end - first)) {
		if (w.as != shape::text)
			continue;
		value v = w.get(e, r);
		put(",", 1);
		report_fputs(w.key);
		put("=", 1);
		print_quoted(v.text, v.size);
	}
}

void write_sample(const readings &r, const entity_table &t, const row &w,
    const void *e, const value &v, size_t series)
{
	bool info = w.as == shape::info;

	write_prefix(series, [&] {
		report_fputs(family_of(t, w));
		if (t.labels) {
			report_putc('{');
			t.labels(e);
		}
		if (!info)
			report_fputs(t.labels ? "} " : " ");
	});
	if (info) {
		if (t.labels) {
			info_labels(r, t, w, e);
			put("}", 1);
		}
		put(" 1\n", 3);
		return;
	}
	print_value(r, w.as, w.in, v);
	put("\n", 1);
}

// The entities of the table being written, gathered once for all its
// rows, and the entries that are parts of others, made for its table.
grow_list<const void *> entities;
union part_entry {
	trip_entry trip;
	die_entry die;
	battery_entry unit;
};
grow_list<part_entry> parts;

// The table's families (of one part, or all), each with the samples of
// every entity that each gives.
void families(const readings &r, const entity_table &t, each_entity each,
    const part *only = nullptr)
{
	entities.clear();
	each([](const void *e) { *entities.add() = e; });
	if (entities.count == 0)
		return;
	for (const row &w : t.rows) {
		if (!has_family(w) ||
		    (only != nullptr && w.in_metrics != *only))
			continue;
		size_t header = visited++;
		bool started = false;
		for (const void *e : entities) {
			size_t series = visited++;
			value v = w.get(e, r);
			if (!v.known)
				continue;
			if (!started)
				write_prefix(header, [&] {
					family f = {family_of(t, w), w.help,
					    w.type == counter ? "counter"
							      : "gauge",
					    false};
					begin_family(&f);
				});
			started = true;
			write_sample(r, t, w, e, v, series);
		}
	}
}

} // namespace

void write_metrics(const readings &r)
{
	const part report = part::report, limits = part::limits,
		   extra = part::extra;
	family cpus = {"pelko_cpus", "Number of CPUs.", "gauge", false};
	auto cpu = [&](auto f) { each(r.cpus.cpu, f); };
	auto package = [&](auto f) { each(r.cpus.packages, f); };
	auto zone = [&](auto f) { each(r.zones.zone, f); };
	auto whole = [&](auto f) { f(r); };
	// Each entry at the start of its union, where its member stands.
	auto each_part = [&](auto f) {
		for (const part_entry &p : parts)
			f(static_cast<const void *>(&p));
	};

	if (r.structure == 0 || r.structure != prefixes_structure) {
		prefixes.clear();
		prefix_text.clear();
		prefixes_structure = r.structure;
	}
	visited = 0;

	size_t count_series = visited++;
	if (r.cpus.count_known) {
		write_prefix(count_series, [&] { begin_sample(&cpus); });
		report_putc(' ');
		print_decimal(static_cast<int64_t>(r.cpus.cpu.count), 1);
		report_putc('\n');
	}
	families(r, cpu_table, cpu, &report);
	families(r, zone_table, zone, &report);
	families(r, power_table, whole);
	families(r, summary_table, whole);
	parts.clear();
	each_battery(r, [](battery_entry b) { parts.add()->unit = b; });
	families(r, battery_table, each_part);
	// Known or not, so that each trip point is visited at its place.
	parts.clear();
	for (const zone_reading &z : r.zones.zone)
		each_trip_point(z.limits,
		    [&](const char *type, const sensor_value &p) {
			    parts.add()->trip = {&z, type, &p};
		    });
	families(r, trip_table, each_part);
	families(r, zone_table, zone, &limits);
	families(r, cpu_table, cpu, &limits);
	families(r, package_table, package, &report);
	parts.clear();
	for (const package_reading &p : r.cpus.packages)
		each_die(p, [](die_entry d) { parts.add()->die = d; });
	families(r, die_table, each_part);
	families(r, package_table, package, &limits);
	for (int k = 0; k < sensor_kind_count; k++)
		families(r, sensor_tables[k], [&](auto f) {
			for (const sensor_reading &s : r.sensors)
				if (s.kind == static_cast<sensor_kind>(k))
					f(s);
		});
	families(r, alarm_table, [&](auto f) {
		for (const sensor_reading &s : r.sensors)
			f(s);
	});
	families(r, cpu_table, cpu, &extra);
	families(r, power_domain_table,
	    [&](auto f) { each(r.power.domain, f); });
	families(r, supply_table, [&](auto f) { each(r.supplies, f); });
	families(r, cooling_table, [&](auto f) { each(r.cooling, f); });
}
