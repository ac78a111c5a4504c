// SPDX-License-Identifier: BSD-2-Clause
#include <stdio.h>

#include "flags.h"
#include "format/print.h"

uint32_t report_flags;

void show_notice(const char *text, uint32_t flags)
{
	if (flags & FLAG_SHOW_ALL)
		report_fputs(text);
}
