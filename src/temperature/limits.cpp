// The sections that -x adds about temperatures: the thermal limits and
// whether a CPU throttled, and the CPU packages and dies.

#include <stdio.h>

#include "format/format.h"
#include "temperature.h"

namespace {

void print_temperature(const readings &r, const char *label, int32_t value)
{
	print_label(label);
	printf("%.1lf\t\t\t\t%c\n",
	    shown_temperature(r.source.temperature, value), temp_unit_char());
}

bool any_cpu_limit(const readings &r)
{
	for (const temperature_reading &t : r.cpus.critical)
		if (t.known)
			return true;
	for (const cpu_reading &c : r.cpus.cpu)
		if (c.throttling.logged >= 0)
			return true;
	return false;
}

bool any_trip_point(const zone_limits &l)
{
	bool any = false;
	each_trip_point(l, [&](const char *, const temperature_reading &t) {
		any = any || t.known;
	});
	return any;
}

void print_cpu_limits(const readings &r)
{
	char label[48];

	for (size_t cpu = 0; cpu < r.cpus.cpu.count; cpu++) {
		if (cpu < r.cpus.critical.count &&
		    r.cpus.critical.items[cpu].known) {
			snprintf(label, sizeof label, "CPU%zu critical:", cpu);
			print_temperature(r, label,
			    r.cpus.critical.items[cpu].value);
		}
		int8_t logged = r.cpus.cpu.items[cpu].throttling.logged;
		if (logged >= 0) {
			snprintf(label, sizeof label, "CPU%zu throttled:", cpu);
			print_label(label);
			puts(logged ? "yes" : "no");
		}
	}
}

void print_trip(const readings &r, size_t zone, const char *type,
    const temperature_reading &t)
{
	char label[48];

	if (!t.known)
		return;
	snprintf(label, sizeof label, "tz%zu %s:", zone, type);
	print_temperature(r, label, t.value);
}

void print_zone_limits(const readings &r, size_t zone, const zone_limits &l)
{
	each_trip_point(l, [&](const char *type, const temperature_reading &t) {
		print_trip(r, zone, type, t);
	});
}

} // namespace

void report_thermal_limits(const readings &r)
{
	size_t zones = r.zones.temperature.count < r.zones.limits.count
	    ? r.zones.temperature.count
	    : r.zones.limits.count;
	bool any = any_cpu_limit(r);

	for (size_t zone = 0; zone < zones; zone++)
		any = any || any_trip_point(r.zones.limits.items[zone]);
	if (!any)
		return;
	puts("\n[Thermal limits]");
	print_cpu_limits(r);
	for (size_t zone = 0; zone < zones; zone++)
		print_zone_limits(r, zone, r.zones.limits.items[zone]);
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
				puts("\n[CPU packages]");
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
