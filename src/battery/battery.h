// Batteries: the summary from kernel variables and the per-battery detail
// from the ACPI device.
#pragma once

void report_battery_sysctl();
void report_battery_device();
