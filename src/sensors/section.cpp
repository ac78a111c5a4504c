// SPDX-License-Identifier: BSD-2-Clause
// The section that -x adds last: every sensor, then the CPUs' rows that the
// metrics put after the sensors' (their frequencies).

#include <stdio.h>

#include "fields.h"
#include "format/format.h"
#include "format/print.h"
#include "temperature/temperature.h"

namespace {

const part extra = part::extra;

// Whether the metrics show any of the sensor's rows.
bool any_row(const readings &r, const sensor_reading &s)
{
	for (const row &w : sensor_tables[static_cast<int>(s.kind)].rows)
		if (w.get(&s, r).known)
			return true;
	return false;
}

// Whether -x shows the sensor: any of its rows is known, or it is a case
// switch whose alarm is.
bool shown_sensor(const readings &r, const sensor_reading &s)
{
	return s.kind == sensor_kind::intrusion ? s.alarm.known : any_row(r, s);
}

// The value in its kind's first row, or "unknown", then each known limit;
// a case switch's alarm, or that it is clear.
void print_sensor(const readings &r, const sensor_reading &s)
{
	const table<sensor_reading> &t =
	    sensor_tables[static_cast<int>(s.kind)];
	char chip[sensor_chip_size + 1], name[sensor_label_size + 1];
	char label[sizeof chip + sizeof name + 2];

	printable_string(s.chip, chip);
	printable_string(s.label, name);
	snprintf(label, sizeof label, "%s %s:", chip, name);
	print_label(label);
	if (s.kind == sensor_kind::intrusion) {
		report_puts(s.alarm.value == 1 ? "ALARM" : "clear");
		return;
	}
	const line &x = t.rows[0].x;
	value reading = t.rows[0].get(&s, r);
	if (!reading.known) {
		report_fputs("unknown");
	} else {
		print_shown(r, x, reading);
		if (x.as == shown::celsius)
			report_print("\t\t\t\t%c", temp_unit_char());
		else
			report_print("\t\t\t\t%s", x.unit);
	}
	for (const row &w : t.rows.subspan(1)) {
		value v = w.get(&s, r);
		if (!v.known)
			continue;
		report_print("\t%s ", w.x.label);
		print_shown(r, w.x, v);
		if (w.x.as == shown::percent)
			report_putc('%');
	}
	report_puts(s.alarm.value == 1 ? "\tALARM" : "");
}

bool any_known(const readings &r)
{
	for (const sensor_reading &s : r.sensors)
		if (shown_sensor(r, s))
			return true;
	for (const cpu_reading &c : r.cpus.cpu)
		if (any_line(r, cpu_table, c, &extra))
			return true;
	return false;
}

} // namespace

void report_sensors(const readings &r)
{
	if (!any_known(r))
		return;
	report_puts("\n[Sensors]");
	for (const sensor_reading &s : r.sensors)
		if (shown_sensor(r, s))
			print_sensor(r, s);
	each(r.cpus.cpu, [&](const cpu_reading &c) {
		print_lines(r, cpu_table, c, &extra);
	});
}
