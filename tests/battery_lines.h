// SPDX-License-Identifier: BSD-2-Clause
// The labels of the battery detail lines, each with the tabs up to its
// value.  The report tests build their expected lines from them and the
// battery fuzzer its line shapes, so that a label changed for one is
// changed for both.
#pragma once

namespace battery_label {

inline constexpr char present[] = "\tPresent:\t\t\t";
inline constexpr char design_capacity[] = "\tDesign capacity:\t\t";
inline constexpr char last_full_capacity[] = "\tLast full capacity:\t\t";
inline constexpr char technology[] = "\tTechnology:\t\t\t";
inline constexpr char design_voltage[] = "\tDesign voltage\t\t\t";
// "unknown" stands a tab nearer on this line alone.
inline constexpr char design_voltage_unknown[] = "\tDesign voltage\t\t";
inline constexpr char warn_capacity[] = "\tCapacity (warn):\t\t";
inline constexpr char low_capacity[] = "\tCapacity (low):\t\t\t";
inline constexpr char low_warn_granularity[] = "\tLow/warn granularity:\t\t";
inline constexpr char warn_full_granularity[] = "\tWarn/full granularity:\t\t";
inline constexpr char model[] = "\tModel number:\t\t\t";
inline constexpr char serial[] = "\tSerial number:\t\t\t";
inline constexpr char type[] = "\tType:\t\t\t\t";
inline constexpr char oem[] = "\tOEM info:\t\t\t";
inline constexpr char state[] = "\tState:\t\t\t\t";
inline constexpr char remaining_capacity[] = "\tRemaining capacity:\t\t";
inline constexpr char remaining_time[] = "\tRemaining time:\t\t\t";
inline constexpr char present_rate[] = "\tPresent rate:\t\t\t";
inline constexpr char voltage[] = "\tVoltage:\t\t\t";

} // namespace battery_label
