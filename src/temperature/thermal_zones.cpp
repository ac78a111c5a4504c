// SPDX-License-Identifier: BSD-2-Clause
#include <stdio.h>

#include "flags/flags.h"
#include "format/print.h"
#include "temperature.h"

// Each zone's line stands under a header of its own; a zone whose
// temperature cannot be read is left out.
void report_thermal_zones(const readings &r)
{
	if (!any_zone_known(r.zones)) {
		show_notice(
		    "\n[ACPI Thermal]\n\tNo ACPI Thermal Zone Support.\n",
		    report_flags);
		return;
	}
	for (const zone_reading &z : r.zones.zone) {
		if (!z.temperature.known)
			continue;
		report_puts("\n[ACPI Thermal]");
		report_print("\ttz%i:\t\t\t\t%s\t\t\t\t%c\n", z.number,
		    shown_temperature(r.source.temperature, z.temperature.value)
			.text,
		    temp_unit_char());
	}
}
