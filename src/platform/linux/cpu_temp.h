// Temperatures from sysfs: the CPU cores from hwmon, the thermal zones from
// class/thermal, in the kernel's tenths of a kelvin.
#pragma once

#include <cstdint>

// Millidegrees Celsius as the kernel's tenths of a kelvin, truncated
// toward zero as FreeBSD's drivers do: a whole degree shows as "N.0".
int32_t millicelsius_to_decikelvin(int32_t millicelsius);

// The cpuN folders under devices/system/cpu; false when there are none.
bool linux_cpu_count(int *count);

// Logical CPU N's core temperature; false when no sensor covers it.
bool linux_cpu_temperature(int cpu, int32_t *raw);

// class/thermal/thermal_zoneN/temp.
bool linux_zone_temperature(int zone, int32_t *raw);

// Forgets what was read, so that the next report reads afresh.
void linux_forget_temperatures();
