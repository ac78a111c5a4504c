// SPDX-License-Identifier: BSD-2-Clause
#include <stdio.h>

#include "family.h"
#include "format/format.h"
#include "format/print.h"

void begin_sample(family *f)
{
	if (!f->started) {
		report_print("# HELP %s %s\n# TYPE %s %s\n", f->name, f->help,
		    f->name, f->type);
		f->started = true;
	}
	report_fputs(f->name);
}

void sample(family *f, int64_t value, int64_t divisor)
{
	begin_sample(f);
	report_putc(' ');
	print_decimal(value, divisor);
	report_putc('\n');
}
