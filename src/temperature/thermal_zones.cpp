#include <limits.h>
#include <stdio.h>

#include "flags/flags.h"
#include "kernel/kernel.h"
#include "temperature.h"

bool zone_temperature(int zone, int *raw)
{
	text_ptr name = format_text("hw.acpi.thermal.tz%i.temperature", zone);

	return sysctl_read_int(name.get(), raw);
}

// Zones are numbered from 0 without gaps; the first one that cannot be
// read ends the section.
void report_thermal_zones()
{
	for (int zone = 0; zone < INT_MAX; zone++) {
		int raw;

		if (!zone_temperature(zone, &raw)) {
			if (zone == 0)
				show_notice("\n[ACPI Thermal]\n"
					    "\tNo ACPI Thermal Zone Support.\n",
				    report_flags);
			return;
		}
		puts("\n[ACPI Thermal]");
		printf("\ttz%i:\t\t\t\t%.1lf\t\t\t\t%c\n", zone,
		    convert_temp(raw), temp_unit_char());
	}
}
