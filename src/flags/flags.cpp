// SPDX-License-Identifier: BSD-2-Clause
#include <stdio.h>

#include "flags.h"

uint32_t report_flags;

void show_notice(const char *text, uint32_t flags)
{
	if (flags & FLAG_SHOW_ALL)
		fputs(text, stdout);
}
