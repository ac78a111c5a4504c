#include <stdio.h>

#include "battery/battery.h"
#include "report.h"
#include "temperature/temperature.h"

void report_all()
{
	puts("\t\t\t\t\tCurrent\t\t\t\tUnit");
	report_coretemp();
	report_thermal_zones();
	report_battery_sysctl();
	report_battery_device();
}
