// SPDX-License-Identifier: BSD-2-Clause
// The sections that -x adds about temperatures, from the rows of the CPUs'
// limits and counters, the zones with their trip points and cooling, the
// cooling devices, the packages and the dies.

#include "limits.h"
#include "tables/section.h"
#include "temperature/temperature.h"

constexpr part report = part::report, limits = part::limits;

void report_thermal_limits(const readings &r)
{
	print_section(r, "\n[Thermal limits]", [&](auto line) {
		each(r.cpus.cpu,
		    [&](const cpu_reading &c) { line(cpu_table, c, &limits); });
		// Each zone's type, its trip points, then its cooling.
		each(r.zones.zone, [&](const zone_reading &z) {
			line(zone_table, z, &report);
			each_trip(z,
			    [&](const trip_entry &t) { line(trip_table, t); });
			line(zone_table, z, &limits);
		});
	});
}

void report_cooling_devices(const readings &r)
{
	print_section(r, "\n[Cooling devices]", [&](auto line) {
		each(r.cooling,
		    [&](const cooling_reading &c) { line(cooling_table, c); });
	});
}

// Each package's lines, then its dies'.
void report_packages(const readings &r)
{
	print_section(r, "\n[CPU packages]", [&](auto line) {
		each(r.cpus.packages, [&](const package_reading &p) {
			line(package_table, p);
			each_die(p,
			    [&](const die_entry &d) { line(die_table, d); });
		});
	});
}
