#include <stdio.h>

#include "battery/battery.h"
#include "metrics/metrics.h"
#include "readings/collect.h"
#include "report.h"
#include "temperature/temperature.h"

// The readings of the report being written; kept between reports, so that
// their lists keep their memory.
static readings current;

void report_all()
{
	begin_readings(&current);
	puts("\t\t\t\t\tCurrent\t\t\t\tUnit");
	collect_cpus(&current);
	report_coretemp(current);
	collect_zones(&current);
	report_thermal_zones(current);
	collect_summary(&current);
	report_battery_sysctl(current);
	collect_battery_units(&current, true);
	report_battery_device(current);
}

void report_metrics()
{
	begin_readings(&current);
	collect_cpus(&current);
	collect_zones(&current);
	collect_summary(&current);
	collect_battery_units(&current, false);
	write_metrics(current);
}
