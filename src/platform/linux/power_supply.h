// The machine's batteries and mains as the kernel variables and battery
// records that the report reads.
#pragma once

#include <cstdint>

#include "platform/acpi_battery.h"

// The system batteries: entries of type "Battery" whose scope, if given,
// is not "Device", numbered in name order.
int linux_battery_count();

// hw.acpi.acline: 1 when a "Mains" or "USB" supply is online, 0 when such
// supplies exist and none is; false when there are none.
bool linux_ac_online(int32_t *online);

// hw.acpi.battery.life, percent over the present batteries; false when
// none of them reports a charge.
bool linux_battery_life(int32_t *percent);

// hw.acpi.battery.time: minutes left while discharging, otherwise -1.
int32_t linux_battery_time();

// hw.acpi.battery.state: the ACPI state word over all batteries.
int32_t linux_battery_state();

// The battery requests for one unit; false for a unit beyond the count.
bool linux_battery_battinfo(int unit, acpi_battinfo *info);
bool linux_battery_bif(int unit, acpi_bif *bif);
bool linux_battery_bst(int unit, acpi_bst *bst);
