// SPDX-License-Identifier: BSD-2-Clause
// The entries of class/power_supply: the system batteries, numbered in
// name order, whose attributes are read on first use within one listing,
// the mains, and with the extended readings every supply that is no
// battery.
#pragma once

#include <cstddef>
#include <cstdint>

#include "readings/readings.h"

// The attributes read of a battery, each beside its file's name.  Those
// before ALARM are properties of the supply's uevent too, which gives them
// all in one read; the uevent's keys that pelko looks for follow from
// these lists.
enum number_attr {
	PRESENT,
	CAPACITY,
	ENERGY_NOW,
	ENERGY_FULL,
	ENERGY_FULL_DESIGN,
	CHARGE_NOW,
	CHARGE_FULL,
	CHARGE_FULL_DESIGN,
	POWER_NOW,
	CURRENT_NOW,
	TIME_TO_EMPTY_NOW,
	TIME_TO_FULL_NOW,
	VOLTAGE_NOW,
	VOLTAGE_MIN_DESIGN,
	CYCLE_COUNT,
	// Attributes of the driver, not properties: never in the uevent.
	ALARM,
	CHARGE_START,
	CHARGE_END,
	// The names that older vendor drivers give the thresholds.
	CHARGE_START_OLD,
	CHARGE_STOP_OLD,
	NUMBER_ATTRS
};

inline constexpr const char *number_names[NUMBER_ATTRS] = {"present",
    "capacity", "energy_now", "energy_full", "energy_full_design", "charge_now",
    "charge_full", "charge_full_design", "power_now", "current_now",
    "time_to_empty_now", "time_to_full_now", "voltage_now",
    "voltage_min_design", "cycle_count", "alarm",
    "charge_control_start_threshold", "charge_control_end_threshold",
    "charge_start_threshold", "charge_stop_threshold"};

enum text_attr {
	STATUS,
	CAPACITY_LEVEL,
	MODEL_NAME,
	SERIAL_NUMBER,
	TECHNOLOGY,
	MANUFACTURER,
	HEALTH,
	TEXT_ATTRS
};

inline constexpr const char *text_names[TEXT_ATTRS] = {"status",
    "capacity_level", "model_name", "serial_number", "technology",
    "manufacturer", "health"};

struct battery;

// Lists the folder afresh, forgetting the previous listing and what was
// read of it; false when it cannot be listed (errno says why).  With
// others, every supply that is not a battery goes there too, in the order
// of their names, with its type, online, the USB type it took, its voltage
// and its currents.
bool list_power_supplies(grow_list<supply_reading> *others);

// The system batteries: entries of type "Battery" whose scope, if given,
// is not "Device".
size_t battery_count();

// The battery numbered unit, or nullptr beyond the count.
battery *supply_battery(size_t unit);

// A numeric attribute, or -1 when it is not known (missing, unreadable,
// not a number).  Sums over it are taken in 64 bits.
int64_t battery_number(battery *b, number_attr attr);
bool battery_known(battery *b, number_attr attr);

// A text attribute cut to 31 bytes, or "" when it is not known.
const char *battery_text(battery *b, text_attr attr);
bool battery_text_is(battery *b, text_attr attr, const char *value);

// 1 when a "Mains" or "USB" supply is online, 0 when one says it is not
// and none is, unknown when none says either.
sensor_value mains_online();
