// SPDX-License-Identifier: BSD-2-Clause
// The thermal zones from sysfs: every thermal_zoneN folder of
// class/thermal, by its own number, in millidegrees Celsius.
#pragma once

#include "readings/readings.h"

// Adds an unknown reading numbered N for every thermal_zoneN folder, in
// ascending order of N.
void linux_list_zones(grow_list<zone_reading> *zones);

// The zone's temperature; with the extended readings its type and trip
// points too: each type's first, and the k-th active one as active k.
// Every value is read at every report, through the files kept since the
// zone was found; which trip points there are is worked out when the zone
// is found, after a device event, and when its files had to be opened
// anew.  Its active and passive cooling stay unknown: the cooling devices
// stand on their own.
void linux_read_zone(zone_reading *z, bool extended);
