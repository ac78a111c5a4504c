// SPDX-License-Identifier: BSD-2-Clause
// The entries of class/power_supply: the system batteries, numbered in
// name order, whose attributes are read on first use within one listing,
// the mains, and with the extended readings every supply that is no
// battery.
#pragma once

#include <cstddef>
#include <cstdint>

#include "readings/readings.h"

// The attributes read of a battery, by its reader's numbers for them:
// their files' names, numbers and texts apart.  The first in_uevent
// numbers and every text are properties of the supply's uevent too, which
// gives them all in one read; the uevent's keys that pelko looks for
// follow from these lists.
constexpr size_t max_battery_numbers = 32;
constexpr size_t max_battery_texts = 16;

struct battery_attributes {
	const char *const *numbers;
	size_t in_uevent;
	const char *const *texts;
	size_t text_count;
};

// A reader's lists of names, the first in_uevent of its numbers in the
// uevent; no more than a battery has room for.
template <size_t in_uevent, size_t N, size_t T>
constexpr battery_attributes attributes_of(const char *const (&numbers)[N],
    const char *const (&texts)[T]) noexcept
{
	static_assert(in_uevent <= N && N <= max_battery_numbers &&
	    T <= max_battery_texts);
	return {numbers, in_uevent, texts, T};
}

struct battery;

// Lists the folder afresh, forgetting the previous listing and what was
// read of it; false when it cannot be listed (errno says why).  Each
// battery's attributes are those of a, which lasts.  With others, every
// supply that is not a battery goes there too, in the order of their
// names, with its type, online, the USB type it took, its voltage and its
// currents.
bool list_power_supplies(const battery_attributes &a,
    grow_list<supply_reading> *others);

// The system batteries: entries of type "Battery" whose scope, if given,
// is not "Device".
size_t battery_count();

// The battery numbered unit, or nullptr beyond the count.
battery *supply_battery(size_t unit);

// A numeric attribute by its place among the numbers, or -1 when it is
// not known (missing, unreadable, not a number).  Sums over it are taken
// in 64 bits.
int64_t battery_number(battery *b, int attr);
bool battery_known(battery *b, int attr);

// A text attribute by its place among the texts, cut to 31 bytes, or ""
// when it is not known.
const char *battery_text(battery *b, int attr);
bool battery_text_is(battery *b, int attr, const char *value);

// 1 when a "Mains" or "USB" supply is online, 0 when one says it is not
// and none is, unknown when none says either.
sensor_value mains_online();
