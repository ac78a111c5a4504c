// SPDX-License-Identifier: BSD-2-Clause
// The machine's batteries, summed up and one by one, in sysfs's own
// micro-units and seconds.  Each works on the current listing of
// class/power_supply.
#pragma once

#include <cstddef>
#include <cstdint>

#include "readings/readings.h"

// Percent over the present batteries; -1 when none of them reports a
// charge.
int32_t linux_battery_life();

// Seconds left while discharging; -1 otherwise or without an estimate.
int64_t linux_battery_time();

// The state word over all batteries.
int32_t linux_battery_state();

// The battery numbered unit, which exists; with extended, its cycles and
// charge thresholds too.
void linux_battery_unit(size_t unit, battery_unit *u, bool extended);
