// SPDX-License-Identifier: BSD-2-Clause
// Filling the record of one report, section by section.  Each system has
// its own reader: the build links the one for its target.  Each call reads
// its section afresh and replaces what the record held of it.
#pragma once

#include "readings.h"

// Starts the readings of a report: the source's units, and whatever the
// reader keeps from one report to the next.
void begin_readings(readings *r);

// Ends the readings of a report: the record's structure stamp.
void end_readings(readings *r);

// The CPUs, each by its own number, and each one's temperature.
void collect_cpus(readings *r);

// The thermal zones, each by its own number: on FreeBSD from 0 up to the
// first that cannot be read; on Linux every zone folder.
void collect_zones(readings *r);

// The battery summary.
void collect_summary(readings *r);

// The battery units.  When the battery device cannot be opened: with
// device_required, the process stops with status 72 naming it; without,
// the record says that it was not opened.
void collect_battery_units(readings *r, bool device_required);

// Stops the process with status 72, naming the battery device and why it
// could not be opened, where the record says that it was not: what
// collect_battery_units does with device_required, for an output that
// writes its other sections first.
void require_battery_device(const readings &r);

// Every sensor of the machine, with the extended readings; none without.
void collect_sensors(readings *r);

// The readers' last step on the sensors: where two of one kind show the
// same chip and label (two "Core 0" on one chip, labels cut to their size
// or alike once odd bytes show as '?'), each later one is told apart by
// its attribute, "Core 0 temp6": its kind's file prefix on Linux and its
// number on the chip.
void distinct_sensor_labels(grow_list<sensor_reading> *sensors);

// The readers' last step on the record: the count, from 1, of the reports
// whose lists held other entities than the report before them, as far as
// the outputs' order and labels go: each CPU's, zone's and cooling
// device's number, each package with its count of dies, each supply's
// name, each power domain's key, name and label, the number of battery
// units, and each sensor's kind, chip and label.  Which of them there are
// depends in part on values (the packages come with the sensors that read,
// the zones with the temperatures, the CPUs with the online list), so each
// reader counts it into the record's structure stamp: a writer that keeps
// what it made under the stamp never gives one entity's lines another's
// labels.
uint64_t count_shape_changes(const readings &r);

// The processor's energy counters, each domain by its own key, with the
// extended readings; none without.  The power of a domain comes from this
// reading and the last report's; where none is kept and the record may
// sample, from a second reading 100 ms after the first, taken only where a
// domain is known.
void collect_power(readings *r);
