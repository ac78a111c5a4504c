// What the battery sections read, shared by the report and the metrics:
// the summary from kernel variables, and each unit's records from the ACPI
// device, read with the same calls, in the same order and with the same
// failure rules whoever writes them.
#pragma once

#include "platform/acpi_battery.h"

// The kernel's battery variables; -1 for each that cannot be read.
struct battery_summary {
	int life; // hw.acpi.battery.life, percent
	int time; // hw.acpi.battery.time, minutes; negative without an estimate
	int acline; // hw.acpi.acline
	int state;  // hw.acpi.battery.state
	int units;  // hw.acpi.battery.units
};

// False when the kernel has no ACPI battery support; the summary is then
// not read.
bool read_battery_summary(battery_summary *summary);

// Probes the battery subtree and reads the unit count, -1 when it cannot
// be read.  False without ACPI battery support: the count is not read.
bool read_battery_count(int *count);

// Opens the ACPI device, read-write or else read-only; stops the process
// with status 72 when it opens neither way.
void open_battery_device();
void close_battery_device();

// The highest unit number the device is asked about.
constexpr int max_battery_unit = 64;

// How far the requests for one unit went: each stage but the last names
// the step at which the unit's records end.
enum class battery_stage {
	invalid_unit, // above max_battery_unit: nothing asked
	no_info,      // the first summary request failed
	not_present,  // it says the battery is not present
	no_design,    // the information request failed
	no_charge,    // the second summary request failed
	no_status,    // the status request failed
	complete,
};

struct battery_unit {
	battery_stage stage;
	acpi_battinfo info;   // the first summary request
	acpi_bif design;      // the information request
	acpi_battinfo charge; // the second summary request
	acpi_bst status;      // the status request
};

// The device's requests for one unit, through the section's one argument
// buffer, whose first int alone is set before each request.
void read_battery_unit(int unit, acpi_battery_ioctl_arg *arg,
    battery_unit *into);

// A record field as the signed number it stands for; -1 is "unknown".
inline int as_signed(uint32_t field)
{
	return static_cast<int>(field);
}

// A record string as it may be shown: up to its NUL and never past its 32
// bytes, with every byte outside printable ASCII (0x20 to 0x7e) as '?'.
// The strings come from firmware, or on Linux from any device driver:
// shown raw, they could drive a terminal (0x9b is an 8-bit CSI), forge the
// lines and columns that scripts read, or, cut in the middle of a UTF-8
// character, make a metrics file that its readers refuse whole.
void printable_string(const char (&field)[ACPI_CMBAT_MAXSTRLEN],
    char (&shown)[ACPI_CMBAT_MAXSTRLEN + 1]);
