// SPDX-License-Identifier: BSD-2-Clause
// The option bits every section reads, and the gate for the notices that
// a facility is missing as a whole.
#pragma once

#include <cstdint>

constexpr uint32_t FLAG_FAHRENHEIT = 1;	 // -f
constexpr uint32_t FLAG_KELVIN = 2;	 // -k
constexpr uint32_t FLAG_SHOW_ALL = 4;	 // -d
constexpr uint32_t FLAG_INTERVAL = 8;	 // -i
constexpr uint32_t FLAG_PROMETHEUS = 16; // -p
constexpr uint32_t FLAG_EXTENDED = 32;	 // -x
constexpr uint32_t FLAG_JSON = 64;	 // -j

// Set while the options are parsed, read-only afterwards.
extern uint32_t report_flags;

// Writes text as it stands, only when flags has FLAG_SHOW_ALL.
void show_notice(const char *text, uint32_t flags);
