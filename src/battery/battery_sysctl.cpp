// SPDX-License-Identifier: BSD-2-Clause
#include <stdio.h>

#include "battery.h"
#include "flags/flags.h"
#include "format/print.h"

void report_battery_sysctl(const readings &r)
{
	const battery_summary &s = r.summary;

	if (!s.supported) {
		show_notice(
		    "\n[ACPI Battery (sysctl)]\n\tNo ACPI Battery support.\n",
		    report_flags);
		return;
	}
	report_puts("\n[ACPI Battery (sysctl)]");
	if (!s.life.known)
		report_puts("\tCap remain:\t\t\tunknown");
	else
		report_print("\tCap remain:\t\t\t%lli\t\t\t\tpercents\n",
		    static_cast<long long>(s.life.value));
	if (s.time.known)
		report_print("\tLife time:\t\t\t%lli\t\t\t\tMin(s)\n",
		    in_minutes(r.source, s.time.value));
	else if (!s.acline.known)
		report_puts("\tTime remain:\t\t\tunknown");
	else if (s.acline.value == 0)
		report_puts("\tTime remain:\t\t\tN/A");
	else
		report_puts("\tTime remain:\t\t\tOn AC");
	// A state that cannot be read shows as the kernel's -1.
	report_print("\tState:\t\t\t\t%lli\n",
	    static_cast<long long>(s.state.known ? s.state.value : -1));
	if (!s.units.known)
		report_puts("\tUnits:\t\t\t\t-1 returned, somwthing weird.");
	else
		report_print("\tUnits:\t\t\t\t%lli\n",
		    static_cast<long long>(s.units.value));
}
