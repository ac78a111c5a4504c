// SPDX-License-Identifier: BSD-2-Clause
// The sections that -x adds about temperatures: the thermal limits and
// whether a CPU throttled, and the CPU packages and dies.

#include <stdio.h>

#include "format/format.h"
#include "format/print.h"
#include "temperature.h"

namespace {

void print_temperature(const readings &r, const char *label, int32_t value)
{
	print_label(label);
	report_print("%s\t\t\t\t%c\n",
	    shown_temperature(r.source.temperature, value).text,
	    temp_unit_char());
}

bool any_cpu_limit(const readings &r)
{
	for (const cpu_reading &c : r.cpus.cpu)
		if (c.critical.known || c.throttling.logged >= 0)
			return true;
	return false;
}

void print_cpu_limits(const readings &r)
{
	char label[48];

	for (const cpu_reading &c : r.cpus.cpu) {
		if (c.critical.known) {
			snprintf(label, sizeof label,
			    "CPU%d critical:", c.number);
			print_temperature(r, label, c.critical.value);
		}
		if (c.throttling.logged >= 0) {
			snprintf(label, sizeof label,
			    "CPU%d throttled:", c.number);
			print_label(label);
			report_puts(c.throttling.logged ? "yes" : "no");
		}
	}
}

// "tz0 critical:", or with the zone's type, "tz0 (acpitz) critical:".
void print_zone_limits(const readings &r, const zone_reading &z)
{
	char label[96];
	char shown[zone_type_size + 1];

	printable_string(z.type, shown);
	each_trip_point(z.limits,
	    [&](const char *type, const temperature_reading &t) {
		    if (!t.known)
			    return;
		    if (z.type[0] != '\0')
			    snprintf(label, sizeof label,
				"tz%d (%s) %s:", z.number, shown, type);
		    else
			    snprintf(label, sizeof label, "tz%d %s:", z.number,
				type);
		    print_temperature(r, label, t.value);
	    });
}

} // namespace

void report_thermal_limits(const readings &r)
{
	bool any = any_cpu_limit(r);

	for (const zone_reading &z : r.zones.zone)
		any = any || any_trip_point(z.limits);
	if (!any)
		return;
	report_puts("\n[Thermal limits]");
	print_cpu_limits(r);
	for (const zone_reading &z : r.zones.zone)
		print_zone_limits(r, z);
}

void report_packages(const readings &r)
{
	char label[48];
	bool started = false;

	for (const package_reading &p : r.cpus.packages) {
		for (int d = -1; d < p.dies; d++) {
			const temperature_reading &t =
			    d < 0 ? p.temperature : p.die[d];
			if (!t.known)
				continue;
			if (!started)
				report_puts("\n[CPU packages]");
			started = true;
			if (d < 0)
				snprintf(label, sizeof label,
				    "package%d:", p.package);
			else
				snprintf(label, sizeof label,
				    "package%d die%d:", p.package, d);
			print_temperature(r, label, t.value);
		}
	}
}
