// SPDX-License-Identifier: BSD-2-Clause
#include <stdio.h>

#include "flags/flags.h"
#include "format/print.h"
#include "temperature.h"

void report_coretemp(const readings &r)
{
	if (!r.cpus.count_known) {
		show_notice("\n[Coretemp]\n\tCan't get number of cpus.",
		    report_flags);
		return;
	}
	report_puts("[Coretemp]");
	for (const cpu_reading &c : r.cpus.cpu) {
		if (c.temperature.known)
			report_print("\tCPU%i:\t\t\t\t%s\t\t\t\t%c\n", c.number,
			    shown_temperature(r.source.temperature,
				c.temperature.value)
				.text,
			    temp_unit_char());
		else
			report_print("\tCPU%i:\t\t\t\tCannot get temperature\n",
			    c.number);
	}
}
