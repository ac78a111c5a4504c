// Temperatures from sysfs: the CPU cores from hwmon, the thermal zones from
// class/thermal, in millidegrees Celsius.
#pragma once

#include <cstdint>

#include "readings/readings.h"

// The cpuN folders under devices/system/cpu; false when there are none.
bool linux_cpu_count(int *count);

// Logical CPU N's core temperature; false when no sensor covers it.  A
// sensor that several CPUs share is read once until the next forget.
bool linux_cpu_temperature(int cpu, int32_t *millicelsius);

// Logical CPU N's physical package id, once its temperature was asked
// for; -1 when unknown.
int linux_cpu_package(int cpu);

// The critical temperature beside the input that CPU N read.
temperature_reading linux_cpu_critical(int cpu);

// The packages and their dies: coretemp's "Package id P"; k10temp's Tctl
// (or Tdie) and its TccdK as die K-1.
void linux_cpu_packages(grow_list<package_reading> *packages);

// class/thermal/thermal_zoneN/temp.
bool linux_zone_temperature(int zone, int32_t *millicelsius);

// Forgets the CPUs, the sensors and what was read of them, so that the
// next report lists and reads afresh.
void linux_forget_temperatures();
