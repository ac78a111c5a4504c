// SPDX-License-Identifier: BSD-2-Clause
// Batteries: the summary section and the per-battery detail section.
#pragma once

#include <cstdint>

#include "readings/readings.h"

void report_battery_sysctl(const readings &r);
void report_battery_device(const readings &r);

// With -x: "[Power supply]", whether the AC line is online and the time
// until all charging batteries are full, then each supply that is no
// battery, by its name: its type, whether it is online, the USB type it
// took, its voltage, current, current limit and power; left out when
// nothing of it is known.
void report_power_supply(const readings &r);

// With -x: "[Battery wear]", each present battery's cycle count and
// health; left out when none of them is known.
void report_battery_wear(const readings &r);

// An amount in the source's units as the report shows it, in milli-units,
// for printf's %lld.
inline long long in_milli(const source_units &source, int64_t amount)
{
	return amount * source.micro_per_amount / 1000;
}

// A time in the source's units as the report shows it, in minutes.
inline long long in_minutes(const source_units &source, int64_t time)
{
	return time * source.seconds_per_time / 60;
}
