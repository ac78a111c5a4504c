// SPDX-License-Identifier: BSD-2-Clause
// The metrics: each table's rows as families, one sample per entity whose
// value is known, in the order that the metrics have always had.
#include "metrics.h"
#include "family.h"
#include "format/format.h"
#include "format/print.h"
#include "sensors/fields.h"
#include "tables/table.h"

namespace {

// The info sample's labels: the table's text rows, each by its key.
template <typename E>
void info_labels(const readings &r, const table<E> &t, const E &e)
{
	for (const row<E> &w : t.rows) {
		if (w.as != shape::text)
			continue;
		value v = w.get(e, r);
		report_print(",%s=", w.key);
		print_quoted(v.text, v.size);
	}
}

template <typename E>
void write_sample(const readings &r, const table<E> &t, const row<E> &w,
    const E &e, const value &v)
{
	if (t.labels != nullptr) {
		report_putc('{');
		t.labels(e);
		if (w.as == shape::info)
			info_labels(r, t, e);
		report_putc('}');
	}
	report_putc(' ');
	if (w.as == shape::info)
		report_putc('1');
	else
		print_value(r, w.as, w.in, v);
	report_putc('\n');
}

// The table's families (of one part, or all), each with the samples of
// every entity that each gives.
template <typename E, typename Each>
void families(const readings &r, const table<E> &t, Each each,
    const part *only = nullptr)
{
	for (const row<E> &w : t.rows) {
		if (!has_family(w) ||
		    (only != nullptr && w.in_metrics != *only))
			continue;
		family f = {family_of(t, w), w.help, w.type, false};
		each([&](const E &e) {
			value v = w.get(e, r);
			if (!v.known)
				return;
			begin_sample(&f);
			write_sample(r, t, w, e, v);
		});
	}
}

} // namespace

void write_metrics(const readings &r)
{
	const part report = part::report, limits = part::limits,
		   extra = part::extra;
	family cpus = {"pelko_cpus", "Number of CPUs.", gauge, false};
	auto cpu = [&](auto f) { each(r.cpus.cpu, f); };
	auto package = [&](auto f) { each(r.cpus.packages, f); };
	auto whole = [&](auto f) { f(r); };

	if (r.cpus.count_known)
		sample(&cpus, static_cast<long long>(r.cpus.cpu.count));
	families(r, cpu_table, cpu, &report);
	families(r, zone_table, [&](auto f) { each(r.zones.zone, f); });
	families(r, power_table, whole);
	families(r, summary_table, whole);
	families(r, battery_table, [&](auto f) { each_battery(r, f); });
	families(r, trip_table, [&](auto f) {
		each(r.zones.zone,
		    [&](const zone_reading &z) { each_trip(z, f); });
	});
	families(r, cpu_table, cpu, &limits);
	families(r, package_table, package, &report);
	families(r, die_table, [&](auto f) {
		each(r.cpus.packages,
		    [&](const package_reading &p) { each_die(p, f); });
	});
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
}
