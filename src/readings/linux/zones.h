// SPDX-License-Identifier: BSD-2-Clause
// The thermal zones from sysfs: every thermal_zoneN folder of
// class/thermal, by its own number, in millidegrees Celsius.
#pragma once

#include <cstdint>

#include "readings/readings.h"

// Adds a zero-filled reading numbered N for every thermal_zoneN folder,
// in ascending order of N.
void linux_list_zones(grow_list<zone_reading> *zones);

// thermal_zoneN/temp, through its kept file where the last listing found
// the zone.
bool linux_zone_temperature(int zone, int32_t *millicelsius);

// thermal_zoneN/type; "" when it cannot be read.
void linux_zone_type(int zone, char (&type)[zone_type_size]);

// thermal_zoneN/trip_point_M_type and _temp: critical, hot, passive and
// the k-th active trip point.
zone_limits linux_zone_limits(int zone);
