// SPDX-License-Identifier: BSD-2-Clause
// A hwmon chip's name as the Linux sensor tools give it, within the Linux
// reader: NAME-BUS-ADDRESS, from its name file and its device's links.
#pragma once

#include "readings/sensor.h"

// Chip N's name, "coretemp-isa-0000", "nvme-pci-3d00" or
// "acpitz-virtual-0"; "hwmonN" for a chip without a name file.  Its name
// file is read at every call, its device's links only when the name or
// the chip's number are new.
void linux_hwmon_chip_name(int hwmon, char (&chip)[sensor_chip_size]);

// hwmonN/name, or where device_too says so and it has none, its device's
// name (older drivers); false where it has neither.  A name file found
// missing is not looked for again while class/hwmon keeps its version.
bool linux_hwmon_name(int hwmon, bool device_too, char (&name)[32]);
