// SPDX-License-Identifier: BSD-2-Clause
// The one walk of class/hwmon, within the Linux reader: every chip with its
// name, and on demand its sensors, whatever their driver: temperatures,
// fans and their controls, voltages, currents, power, energy, humidity
// and case switches, in hwmon's units.
// The CPU lines are a view over it (cpu_temp.cpp); the sensors of -x, -p
// and -j are all of it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "readings/readings.h"
#include "sysfs_list.h"

// The attributes of one sensor, as the file names end: temp1_input.
enum attribute : uint8_t {
	input,
	average, // power meters that average rather than sample
	label,
	min,
	max,
	crit,
	lcrit,
	emergency,
	max_hyst,
	crit_hyst,
	target,
	cap,
	alarm,
	crit_alarm,
	min_alarm,
	max_alarm,
	lcrit_alarm,
	emergency_alarm,
	cap_alarm,
	pwm,	    // a fan's control, pwmN beside fanN_input
	pwm_enable, // and how it is set
	attribute_count
};

// A sensor as its chip's folders list it, with its label ("temp1" without
// one): what stays while the folders list the same files.
struct hwmon_sensor {
	sensor_kind kind;
	int32_t number;
	bool in_device;	     // its files are in the device's folder
	uint32_t attributes; // a bit for each attribute
	char label[sensor_label_size];
	sysfs_file files[attribute_count];

	bool has(attribute a) const { return (attributes & 1U << a) != 0; }
};

// A chip of this report, by its hwmonN number, with its name file's text
// ("" without one).
struct hwmon_chip {
	int hwmon;
	char name[32];
	// Its name files found missing, while class/hwmon keeps its version.
	bool no_name, no_device_name;
	// Its name in the outputs, made on first use, and again after a device
	// event or with another name: "" until then.
	char chip[sensor_chip_size];
	sysfs_stamp folder, device;
	bool in_device;	   // its attributes are in its device's folder
	bool has_sensors;  // first to end are its sensors as last worked out
	bool worked_out;   // in this report
	size_t first, end; // its sensors, in linux_hwmon_sensor's numbering
};

// This report's chips, in the order of their numbers, listed on first use
// in a report.
grow_list<hwmon_chip> &linux_hwmon_chips();

// Works out the chip's sensors on first use in a report: they stay as
// they were while its folders keep their versions, else they are found
// anew from its folders' listings and labels.
void linux_hwmon_work_out(hwmon_chip *c);

// Sensor i of a chip worked out.
hwmon_sensor &linux_hwmon_sensor(size_t i);

// A number that changes whenever the chips or the sensors of one do, or
// the sensors are numbered anew: what is worked out of them holds while
// it stays.
uint64_t linux_hwmon_generation();

// A sensor's attribute as a whole number: through its kept file, read once
// a report however often asked; as an int, unknown where it does not fit.
bool linux_hwmon_long(const hwmon_chip &c, hwmon_sensor *s, attribute a,
    int64_t *value);
sensor_value linux_hwmon_int(const hwmon_chip &c, hwmon_sensor *s, attribute a);

// Forgets which chips there are, for the next report.
void linux_hwmon_forget();

// Adds the sensors of class/hwmon to the list: by chip, in the order of
// the hwmon numbers, then by kind, then by number.  Their attributes are in
// the hwmon folder, or where it has none, in its device's folder, as older
// drivers keep them.  A chip is named as the
// Linux sensor tools name it, NAME-BUS-ADDRESS ("coretemp-isa-0000",
// "k10temp-pci-00c3", "acpitz-virtual-0"), and a second chip of the same
// name with its hwmon ("acpitz-acpi-0-hwmon3"), so that no two series of
// the metrics are one; a sensor without a label by its attribute
// ("temp1").
void linux_hwmon_sensors(grow_list<sensor_reading> *sensors);
