// SPDX-License-Identifier: BSD-2-Clause
// The cooling devices from sysfs: every cooling_deviceN folder of
// class/thermal, by its own number.
#pragma once

#include "readings/readings.h"

// A reading numbered N for every cooling_deviceN folder, in ascending
// order of N, with its type, state and maximum state: every value read at
// every report, through the files kept since the device was found.
void linux_cooling_devices(grow_list<cooling_reading> *devices);
