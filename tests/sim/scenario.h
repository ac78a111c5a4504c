// SPDX-License-Identifier: BSD-2-Clause
// The machine that a scenario file describes (tests/README.md has the
// format), read by pelko-sim before pelko starts.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/acpi_battery.h"

struct sim_variable {
	bool node; // an interior node: reading or probing it gives EISDIR
	std::vector<int32_t> values; // one, or an array's
};

// One answer to a request: a record, or a failure.
struct sim_answer {
	bool fails;
	acpi_battery_ioctl_arg record;
};

// The queued answers to one request for one unit.
struct sim_answers {
	unsigned long request;
	int unit;
	std::vector<sim_answer> queue;
	size_t next;
};

// A CPU's model-specific register: its successive values, the last one
// repeating.
struct sim_register {
	int cpu;
	uint32_t address;
	std::vector<uint64_t> values;
	size_t next;
};

// A CPU's answer to one CPUID leaf: EAX, EBX, ECX, EDX.
struct sim_cpuid {
	int cpu;
	uint32_t leaf;
	uint32_t data[4];
};

enum class acpi_mode { none, read_only, read_write };

struct scenario {
	std::unordered_map<std::string, sim_variable> variables;
	// The format that the kernel gives a variable ("IK": tenths of a
	// kelvin); "I" where none is given.
	std::unordered_map<std::string, std::string> formats;
	std::vector<sim_answers> answers;
	bool have_ncpu = false;
	int32_t ncpu = 0;
	acpi_mode acpi = acpi_mode::none;
	bool acpi_given = false;
	long cycles = 0; // 0: really sleep
	// The cpuctl devices: the registers and CPUID leaves of each CPU, and
	// the CPUs whose device fails to open, with the error number.
	std::vector<sim_register> registers;
	std::vector<sim_cpuid> cpuids;
	std::unordered_map<int, int> cpuctl_fails;
};

// Reads the scenario at path into *into.  A malformed scenario, or one
// that cannot be read, stops the process with a message and status 2.
void load_scenario(const char *path, scenario *into);
