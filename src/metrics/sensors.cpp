// SPDX-License-Identifier: BSD-2-Clause
// The sensors' metric families, each from its kind's row of the sensor
// table, then the alarms.

#include <stdio.h>

#include "family.h"
#include "format/format.h"
#include "format/print.h"
#include "metrics.h"
#include "sensors/fields.h"

namespace {

void sensor_labels(const sensor_reading &s)
{
	report_fputs("{chip=");
	print_quoted(s.chip, sizeof s.chip);
	report_fputs(",sensor=");
	print_quoted(s.label, sizeof s.label);
	report_fputs("} ");
}

// One family: for each sensor of the kind, the value that field picks.
void sensor_family(const readings &r, sensor_kind kind, family *f,
    sensor_value sensor_reading::*field)
{
	for (const sensor_reading &s : r.sensors) {
		const sensor_value &v = s.*field;
		if (s.kind != kind || !v.known)
			continue;
		begin_sample(f);
		sensor_labels(s);
		print_sensor_value(r.source, kind, v.value);
		report_putc('\n');
	}
}

void alarms(const readings &r)
{
	family f = {"pelko_sensor_alarm",
	    "Whether the sensor's chip raises an alarm for it: the _alarm, "
	    "_min_alarm, _max_alarm and _crit_alarm files on Linux.",
	    gauge, false};

	for (const sensor_reading &s : r.sensors) {
		if (s.alarm < 0)
			continue;
		begin_sample(&f);
		sensor_labels(s);
		report_print("%d\n", s.alarm);
	}
}

} // namespace

void write_sensor_metrics(const readings &r)
{
	for (int k = 0; k < sensor_kind_count; k++) {
		const sensor_fields &row = sensor_table[k];
		auto kind = static_cast<sensor_kind>(k);
		family value = {row.family, row.help, row.type, false};
		sensor_family(r, kind, &value, &sensor_reading::value);
		for (const sensor_limit_field &l : row.limits) {
			if (l.family == nullptr)
				continue;
			family limit = {l.family, l.help, gauge, false};
			sensor_family(r, kind, &limit, l.value);
		}
	}
	alarms(r);
}
