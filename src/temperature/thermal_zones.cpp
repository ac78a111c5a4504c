#include <stdio.h>

#include "flags/flags.h"
#include "temperature.h"

// Each zone's line stands under a header of its own.
void report_thermal_zones(const readings &r)
{
	if (r.zones.temperature.count == 0) {
		show_notice(
		    "\n[ACPI Thermal]\n\tNo ACPI Thermal Zone Support.\n",
		    report_flags);
		return;
	}
	int zone = 0;
	for (int32_t value : r.zones.temperature) {
		puts("\n[ACPI Thermal]");
		printf("\ttz%i:\t\t\t\t%.1lf\t\t\t\t%c\n", zone,
		    shown_temperature(r.source.temperature, value),
		    temp_unit_char());
		zone++;
	}
}
