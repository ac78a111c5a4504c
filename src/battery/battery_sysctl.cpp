#include <stdio.h>

#include "battery.h"
#include "flags/flags.h"
#include "kernel/kernel.h"

// Every read below gives -1 when it fails.
void report_battery_sysctl()
{
	if (!battery_subtree_present()) {
		show_notice(
		    "\n[ACPI Battery (sysctl)]\n\tNo ACPI Battery support.\n",
		    report_flags);
		return;
	}
	puts("\n[ACPI Battery (sysctl)]");

	int life = sysctl_get_int("hw.acpi.battery.life");
	if (life < 0)
		puts("\tCap remain:\t\t\tunknown");
	else
		printf("\tCap remain:\t\t\t%i\t\t\t\tpercents\n", life);

	int time = sysctl_get_int("hw.acpi.battery.time");
	if (time >= 0) {
		printf("\tLife time:\t\t\t%i\t\t\t\tMin(s)\n", time);
	} else {
		int acline = sysctl_get_int("hw.acpi.acline");
		if (acline == -1)
			puts("\tTime remain:\t\t\tunknown");
		else if (acline == 0)
			puts("\tTime remain:\t\t\tN/A");
		else
			puts("\tTime remain:\t\t\tOn AC");
	}

	printf("\tState:\t\t\t\t%i\n", sysctl_get_int("hw.acpi.battery.state"));

	int units = sysctl_get_int("hw.acpi.battery.units");
	if (units < 0)
		puts("\tUnits:\t\t\t\t-1 returned, somwthing weird.");
	else
		printf("\tUnits:\t\t\t\t%i\n", units);
}
