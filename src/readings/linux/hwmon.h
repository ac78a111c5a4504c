// SPDX-License-Identifier: BSD-2-Clause
// Every sensor of every hwmon chip, whatever its driver: temperatures,
// fans, voltages, currents, power, energy and humidity, in hwmon's units.
#pragma once

#include "readings/readings.h"

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
