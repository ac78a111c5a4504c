// Temperatures from sysfs: the CPU cores from hwmon, the thermal zones from
// class/thermal, in millidegrees Celsius.
#pragma once

#include <cstdint>

// The cpuN folders under devices/system/cpu; false when there are none.
bool linux_cpu_count(int *count);

// Logical CPU N's core temperature; false when no sensor covers it.  A
// sensor that several CPUs share is read once until the next forget.
bool linux_cpu_temperature(int cpu, int32_t *millicelsius);

// class/thermal/thermal_zoneN/temp.
bool linux_zone_temperature(int zone, int32_t *millicelsius);

// Forgets the CPUs, the sensors and what was read of them, so that the
// next report lists and reads afresh.
void linux_forget_temperatures();
