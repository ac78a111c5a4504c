// SPDX-License-Identifier: BSD-2-Clause
// The section that -x adds last: every sensor, then the CPUs' rows that
// the metrics put after the sensors' (their frequencies).

#include <stdio.h>

#include "fields.h"
#include "format/format.h"
#include "format/print.h"
#include "tables/table.h"
#include "temperature/temperature.h"

namespace {

// A value in the unit -x shows it in: temperatures in the scale the
// options chose, to a tenth.
void print_shown(const readings &r, sensor_kind kind, int64_t value)
{
	if (kind == sensor_kind::temperature)
		report_fputs(shown_temperature(r.source.temperature,
		    static_cast<int32_t>(value))
				 .text);
	else
		print_decimal(value, fields_of(kind).text_divisor);
}

void print_sensor(const readings &r, const sensor_reading &s)
{
	const sensor_fields &f = fields_of(s.kind);
	char chip[sensor_chip_size + 1], name[sensor_label_size + 1];
	char label[sizeof chip + sizeof name + 2];

	printable_string(s.chip, chip);
	printable_string(s.label, name);
	snprintf(label, sizeof label, "%s %s:", chip, name);
	print_label(label);
	print_shown(r, s.kind, s.value.value);
	if (s.kind == sensor_kind::temperature)
		report_print("\t\t\t\t%c", temp_unit_char());
	else
		report_print("\t\t\t\t%s", f.unit);
	for (const sensor_limit_field &l : f.limits) {
		// An unused row has no member to point at.
		if (l.family == nullptr || !(s.*l.value).known)
			continue;
		report_print("\t%s ", l.text);
		print_shown(r, s.kind, (s.*l.value).value);
	}
	report_puts(s.alarm == 1 ? "\tALARM" : "");
}

const part extra = part::extra;

bool any_known(const readings &r)
{
	for (const sensor_reading &s : r.sensors)
		if (s.value.known)
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
		if (s.value.known)
			print_sensor(r, s);
	each_cpu(r, [&](const cpu_reading &c) {
		print_lines(r, cpu_table, c, &extra);
	});
}
