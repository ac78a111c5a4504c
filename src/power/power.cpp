// SPDX-License-Identifier: BSD-2-Clause
// The -x section of the power domains, from their table's rows.

#include <stdio.h>
#include <string.h>

#include "flags/flags.h"
#include "format/print.h"
#include "platform/platform.h"
#include "power.h"
#include "tables/table.h"

void report_power(const readings &r)
{
	bool any = false;

	each(r.power.domain, [&](const power_domain_reading &d) {
		any = any || any_line(r, power_domain_table, d);
	});
	if (!any)
		return;
	report_puts("\n[CPU power]");
	each(r.power.domain, [&](const power_domain_reading &d) {
		print_lines(r, power_domain_table, d);
	});
}

void report_power_notice(const readings &r)
{
	if ((report_flags & FLAG_SHOW_ALL) == 0 || r.power.failed[0] == '\0')
		return;
	fprintf(stderr, "%s: %s: %s\n", getprogname(), r.power.failed,
	    strerror(r.power.error));
}
