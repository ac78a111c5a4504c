// SPDX-License-Identifier: BSD-2-Clause
// A sensor of any kind, as one generic record: the hwmon sensors of Linux,
// the temperatures, fans and voltages of FreeBSD's drivers.
#pragma once

#include <cstddef>
#include <cstdint>

// In the order the outputs list them within a chip.
enum class sensor_kind : uint8_t {
	temperature, // in the source's temperature scale
	fan,	     // RPM
	voltage,     // millivolts
	current,     // milliamperes
	power,	     // microwatts
	energy,	     // microjoules, a counter
	humidity,    // thousandths of a percent
	intrusion,   // a case switch: its alarm alone, no value
};
constexpr int sensor_kind_count = 8;

// The prefixes of a kind's attribute names, in the order of sensor_kind:
// hwmon's file names ("temp1_input"), and the names that tell repeated
// labels apart ("Core 0 temp3").
inline constexpr const char *sensor_attribute_prefixes[sensor_kind_count] =
    {"temp", "fan", "in", "curr", "power", "energy", "humidity", "intrusion"};

// A value in the source's unit for its kind; unknown is a state of its
// own, never a sentinel, and the state a value starts in.
struct sensor_value {
	bool known = false;
	int64_t value = 0;
};

constexpr size_t sensor_chip_size = 64;
constexpr size_t sensor_label_size = 32;

struct sensor_reading {
	char chip[sensor_chip_size];   // "coretemp-isa-0000", "jedec_dimm3"
	char label[sensor_label_size]; // "Core 0", or "temp1" without one
	sensor_kind kind;
	int32_t number; // its number on the chip, for the order
	sensor_value value;
	sensor_value min, max, critical; // as the source gives them
	// Limits that some chips set beyond these, in the value's unit:
	// hysteresis is the temperature at which a max or crit alarm clears,
	// not a difference.
	sensor_value low_critical, emergency;
	sensor_value max_hysteresis, critical_hysteresis;
	sensor_value target; // a fan's speed as its controller aims for it
	sensor_value cap;    // the power a chip is held to
	// A fan's control: its duty cycle from 0 to 255, and the driver's
	// number for how it is set (0 full speed, 1 by hand, 2 and above
	// automatic, as each driver counts them).
	sensor_value pwm, pwm_mode;
	sensor_value alarm; // the chip raises one: 1; 0 not
};
