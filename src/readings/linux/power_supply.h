// SPDX-License-Identifier: BSD-2-Clause
// The machine's batteries, summed up and one by one, in sysfs's own
// micro-units and seconds.  Each works on the current listing of
// class/power_supply.
#pragma once

#include <cstddef>
#include <cstdint>

#include "readings/readings.h"
#include "supply_list.h"

// The files read of each battery, for list_power_supplies.
extern const battery_attributes linux_battery_files;

// The life over every present battery, in percent and as a fraction; left
// unknown when a present battery reports no charge, or none is present.  Where
// each one's last full capacity is known in the summary's kind (energy, or
// charge where every battery counts charge), the batteries are weighted by
// it: with every battery in amounts, their remaining amounts summed over
// their last full capacities summed.  Otherwise each counts the same: the
// mean of their shares, each to twelve decimals.
void linux_battery_life(battery_summary *s);

// Seconds left while discharging; unknown otherwise or without an
// estimate.
sensor_value linux_battery_time();

// The state word over all batteries.
int32_t linux_battery_state();

// The battery numbered unit, which exists; with extended, its cycles and
// charge thresholds too.
void linux_battery_unit(size_t unit, battery_unit *u, bool extended);
