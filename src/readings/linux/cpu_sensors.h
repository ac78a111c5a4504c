// SPDX-License-Identifier: BSD-2-Clause
// The hwmon inputs that serve the CPUs, within the Linux reader: coretemp's
// cores and packages, AMD's Tctl, Tdie and dies, listed once per report,
// each read at most once.
#pragma once

#include <cstdint>

#include "readings/grow_list.h"
#include "sysfs_read.h"

enum class reading : uint8_t { unread, missing, known };

// A value read at most once per report.
struct cached_temp {
	reading state;
	int32_t millicelsius;
};

// What a hwmon input measures, in the order a CPU looks for it; a CPU
// never reads an AMD die's sensor.
enum class cpu_sensor_kind : uint8_t {
	core,
	package,
	amd_tdie,
	amd_tctl,
	amd_ccd
};

struct cpu_sensor {
	cpu_sensor_kind kind = cpu_sensor_kind::core;
	int hwmon = -1;		   // N of class/hwmon/hwmonN
	int input = -1;		   // K of tempK_input
	int package = -1;	   // -1: every package
	int core = -1;		   // the core, or an AMD die's number from 0
	bool has_critical = false; // the hwmon's folder lists tempK_crit
	cached_temp temp = {};
	cached_temp critical = {}; // its tempK_crit, with the extended readings
	sysfs_file input_file = {}, critical_file = {};
};

// The sensors of this report, listed on first use.
grow_list<cpu_sensor> &cpu_sensors();

// A sensor's input, read on first use.
bool sensor_temperature(cpu_sensor *s, int32_t *millicelsius);

// The first readable sensor for the core, in the order of cpu_sensor_kind:
// its index, or -1.
int core_sensor(int package, int core, int32_t *millicelsius);

// Forgets what was read of the sensors, for the next report; the sensors
// stay while the hwmons they come from stay the same.
void forget_cpu_sensors();
