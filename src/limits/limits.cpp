// SPDX-License-Identifier: BSD-2-Clause
// The sections that -x adds about temperatures, from the rows of the CPUs'
// limits and counters, the zones with their trip points and cooling, the
// cooling devices, the packages and the dies.

#include "limits.h"
#include "format/print.h"
#include "tables/table.h"
#include "temperature/temperature.h"

constexpr part report = part::report, limits = part::limits;

void report_thermal_limits(const readings &r)
{
	bool any = false;

	each(r.cpus.cpu, [&](const cpu_reading &c) {
		any = any || any_line(r, cpu_table, c, &limits);
	});
	each(r.zones.zone, [&](const zone_reading &z) {
		any = any || any_line(r, zone_table, z);
		each_trip(z, [&](const trip_entry &) { any = true; });
	});
	if (!any)
		return;
	report_puts("\n[Thermal limits]");
	each(r.cpus.cpu, [&](const cpu_reading &c) {
		print_lines(r, cpu_table, c, &limits);
	});
	// Each zone's type, its trip points, then its cooling.
	each(r.zones.zone, [&](const zone_reading &z) {
		print_lines(r, zone_table, z, &report);
		each_trip(z, [&](const trip_entry &t) {
			print_lines(r, trip_table, t);
		});
		print_lines(r, zone_table, z, &limits);
	});
}

void report_cooling_devices(const readings &r)
{
	bool any = false;

	each(r.cooling, [&](const cooling_reading &c) {
		any = any || any_line(r, cooling_table, c);
	});
	if (!any)
		return;
	report_puts("\n[Cooling devices]");
	each(r.cooling, [&](const cooling_reading &c) {
		print_lines(r, cooling_table, c);
	});
}

// Each package's lines, then its dies'.
void report_packages(const readings &r)
{
	bool any = false;

	each(r.cpus.packages, [&](const package_reading &p) {
		any = any || any_line(r, package_table, p);
		each_die(p, [&](const die_entry &d) {
			any = any || any_line(r, die_table, d);
		});
	});
	if (!any)
		return;
	report_puts("\n[CPU packages]");
	each(r.cpus.packages, [&](const package_reading &p) {
		print_lines(r, package_table, p);
		each_die(p,
		    [&](const die_entry &d) { print_lines(r, die_table, d); });
	});
}
