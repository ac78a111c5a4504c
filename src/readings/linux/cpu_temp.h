// SPDX-License-Identifier: BSD-2-Clause
// The CPU core temperatures from sysfs, in millidegrees Celsius: the CPUs
// as devices/system/cpu lists them, each by its own number, and the hwmon
// sensors that serve them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "readings/readings.h"

// The cpuN folders under devices/system/cpu, listed on first use; CPU i,
// below, is the i-th of them in ascending order of N.
size_t linux_cpu_count();

// CPU i's own number N.
int32_t linux_cpu_number(size_t cpu);

// CPU i's core temperature; unknown when no sensor covers it.  A sensor
// that several CPUs share is read once until the next forget.
sensor_value linux_cpu_temperature(size_t cpu);

// CPU i's physical package id; -1 when unknown.
int linux_cpu_package(size_t cpu);

// The critical temperature beside the input that CPU i read.
sensor_value linux_cpu_critical(size_t cpu);

// The package with that id in the list, added when it is not there yet.
package_reading *linux_package(grow_list<package_reading> *packages, int id);

// The packages' and their dies' temperatures: coretemp's "Package id P";
// k10temp's Tctl (or Tdie) and its TccdK as die K-1.  A package that no
// list holds yet is added.
void linux_cpu_packages(grow_list<package_reading> *packages);

// Forgets what was read of the CPUs and their sensors, so that the next
// report reads afresh.  The CPUs' topology and which sensors there are
// stay while the folders they come from stay the same.
void linux_forget_temperatures();
