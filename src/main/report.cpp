#include <stdio.h>

#include "battery/battery.h"
#include "report.h"
#include "temperature/temperature.h"

uint32_t report_flags;

void show_notice(const char *text, uint32_t flags)
{
	if (flags & FLAG_SHOW_ALL)
		fputs(text, stdout);
}

void report_all()
{
	puts("\t\t\t\t\tCurrent\t\t\t\tUnit");
	report_coretemp();
	report_thermal_zones();
	report_battery_sysctl();
	report_battery_device();
}
