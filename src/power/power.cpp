// SPDX-License-Identifier: BSD-2-Clause
// The -x section of the power domains, from their table's rows.

#include <stdio.h>
#include <string.h>

#include "flags/flags.h"
#include "platform/platform.h"
#include "power.h"
#include "tables/section.h"

void report_power(const readings &r)
{
	print_section(r, "\n[CPU power]", [&](auto line) {
		each(r.power.domain, [&](const power_domain_reading &d) {
			line(power_domain_table, d);
		});
	});
}

void report_power_notice(const readings &r)
{
	if ((report_flags & FLAG_SHOW_ALL) == 0 || r.power.failed[0] == '\0')
		return;
	fprintf(stderr, "%s: %s: %s\n", getprogname(), r.power.failed,
	    strerror(r.power.error));
}
