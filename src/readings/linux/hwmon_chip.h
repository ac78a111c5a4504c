// SPDX-License-Identifier: BSD-2-Clause
// A hwmon chip's name as the Linux sensor tools give it, within the Linux
// reader: NAME-BUS-ADDRESS, from its name file and its device's links.
#pragma once

#include "hwmon.h"

// The chip's name, "coretemp-isa-0000", "nvme-pci-3d00" or
// "acpitz-virtual-0", made from its name file, or its device's (older
// drivers), and its device's links; "hwmonN" for a chip without a name.
void linux_hwmon_chip_name(hwmon_chip *c);

// hwmonN's file at path unless it was found missing; missing says whether
// it is.
bool linux_hwmon_name(bool *missing, char (&name)[32], int hwmon,
    const char *path);
