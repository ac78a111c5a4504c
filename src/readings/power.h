// SPDX-License-Identifier: BSD-2-Clause
// What each system's reader gives of the energy counters, for the shared
// part that keeps them going across wraps and works out their power.
#pragma once

#include "readings.h"

// One reading of every domain the system lists, in the order of their
// keys: key, name, label, the raw count as the counter holds it, its unit
// and its range.  Where a counter or the facility
// cannot be read, the list's failed and error say why (the first such).
void read_power_counters(power_readings *p);
