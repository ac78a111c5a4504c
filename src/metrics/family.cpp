// SPDX-License-Identifier: BSD-2-Clause
#include <stdio.h>

#include "family.h"
#include "format/format.h"
#include "format/print.h"

void begin_family(family *f)
{
	if (f->started)
		return;
	const char *const pieces[] = {"# HELP ", f->name, " ", f->help,
	    "\n# TYPE ", f->name, " ", f->type, "\n"};

	for (const char *piece : pieces)
		report_fputs(piece);
	f->started = true;
}

void begin_sample(family *f)
{
	begin_family(f);
	report_fputs(f->name);
}
