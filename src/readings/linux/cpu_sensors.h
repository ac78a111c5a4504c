// SPDX-License-Identifier: BSD-2-Clause
// The hwmon inputs that serve the CPUs, within the Linux reader: a view
// over the one walk of class/hwmon (hwmon.h), made anew at each report from
// the sensors of the CPUs' drivers, chosen by label: coretemp's cores and
// packages, AMD's Tctl, Tdie and dies.
#pragma once

#include <cstddef>
#include <cstdint>

#include "readings/grow_list.h"

// What a hwmon input measures, in the order a CPU looks for it; a CPU
// never reads an AMD die's sensor.
enum class cpu_sensor_kind : uint8_t {
	core,
	package,
	amd_tdie,
	amd_tctl,
	amd_ccd
};

// A value that the CPUs sharing a sensor read once a report.
struct cpu_sensor_value {
	bool read, known;
	int32_t millicelsius;
};

struct cpu_sensor {
	cpu_sensor_kind kind;
	int package;   // -1: every package
	int core;      // the core, or an AMD die's number from 0
	size_t chip;   // in linux_hwmon_chips()
	size_t sensor; // linux_hwmon_sensor's number
	cpu_sensor_value input, critical;
};

// The sensors of this report, found on first use.
grow_list<cpu_sensor> &cpu_sensors();

// A sensor's input, or its critical temperature, in millidegrees Celsius.
bool sensor_temperature(cpu_sensor *s, int32_t *millicelsius);
bool sensor_critical(cpu_sensor *s, int32_t *millicelsius);

// The first readable sensor for the core, in the order of cpu_sensor_kind:
// its index, or -1.
int core_sensor(int package, int core, int32_t *millicelsius);

// Forgets the sensors, for the next report.
void forget_cpu_sensors();
