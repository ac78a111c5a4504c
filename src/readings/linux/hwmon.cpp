// SPDX-License-Identifier: BSD-2-Clause
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "hwmon.h"
#include "hwmon_chip.h"
#include "sysfs_list.h"

namespace {

// An attribute's file name is its kind's prefix, the sensor's number and
// its suffix, or its own prefix, the number and the suffix: a fan's
// control is pwm1 and pwm1_enable beside fan1_input, as drivers number
// them.  Only a fan's control has a prefix of its own.
struct attribute_file {
	const char *prefix; // nullptr: the kind's
	const char *suffix;
};

constexpr const char *pwm_prefix = "pwm";

const attribute_file attribute_files[attribute_count] = {{nullptr, "_input"},
    {nullptr, "_average"}, {nullptr, "_label"}, {nullptr, "_min"},
    {nullptr, "_max"}, {nullptr, "_crit"}, {nullptr, "_lcrit"},
    {nullptr, "_emergency"}, {nullptr, "_max_hyst"}, {nullptr, "_crit_hyst"},
    {nullptr, "_target"}, {nullptr, "_cap"}, {nullptr, "_alarm"},
    {nullptr, "_crit_alarm"}, {nullptr, "_min_alarm"}, {nullptr, "_max_alarm"},
    {nullptr, "_lcrit_alarm"}, {nullptr, "_emergency_alarm"},
    {nullptr, "_cap_alarm"}, {pwm_prefix, ""}, {pwm_prefix, "_enable"}};

const char *file_prefix(sensor_kind kind, attribute a)
{
	return attribute_files[a].prefix != nullptr
	    ? attribute_files[a].prefix
	    : sensor_attribute_prefixes[static_cast<int>(kind)];
}

// One sensor as its folder lists it: which attributes it has, and whether
// they are in the hwmon folder or in its device folder, where older
// drivers put them.
struct listed_sensor {
	sensor_kind kind;
	int32_t number;
	bool in_device;
	uint32_t attributes; // a bit for each attribute
};

// "temp1_input" as its kind, number and attribute: a kind's prefix, or
// after them all a fan control's, then digits and a suffix.
bool parse_name(const char *name, listed_sensor *s, attribute *a)
{
	for (int k = 0; k <= sensor_kind_count; k++) {
		bool control = k == sensor_kind_count;
		const char *prefix =
		    control ? pwm_prefix : sensor_attribute_prefixes[k];
		size_t length = strlen(prefix);
		const char *p = name + length;
		if (strncmp(name, prefix, length) != 0 || *p < '0' || *p > '9')
			continue;
		int32_t number = 0;
		for (; *p >= '0' && *p <= '9' && number < 100000; p++)
			number = number * 10 + (*p - '0');
		for (int i = 0; i < attribute_count; i++) {
			if ((attribute_files[i].prefix != nullptr) != control ||
			    strcmp(p, attribute_files[i].suffix) != 0)
				continue;
			s->kind = control ? sensor_kind::fan
					  : static_cast<sensor_kind>(k);
			s->number = number;
			*a = static_cast<attribute>(i);
			return true;
		}
		return false;
	}
	return false;
}

// The attribute files of one folder, each as one sensor with one bit.
void list_folder(const char *folder, bool in_device,
    grow_list<listed_sensor> *files)
{
	sysfs_list(folder, [&](const char *name) {
		listed_sensor s = {};
		attribute a;
		if (!parse_name(name, &s, &a))
			return;
		s.in_device = in_device;
		s.attributes = 1U << a;
		*files->add() = s;
	});
}

// By kind, number, and the hwmon folder before the device's.
int by_kind_and_number(const void *a, const void *b)
{
	const auto *x = static_cast<const listed_sensor *>(a);
	const auto *y = static_cast<const listed_sensor *>(b);
	if (x->kind != y->kind)
		return x->kind < y->kind ? -1 : 1;
	if (x->number != y->number)
		return x->number < y->number ? -1 : 1;
	return x->in_device - y->in_device;
}

// One sensor for each kind and number, with the bits of its files: those
// of the hwmon folder, and of the device folder only where the hwmon
// folder has none.  In the order of the sort, in n log n.
void merge_files(grow_list<listed_sensor> *files,
    grow_list<listed_sensor> *sensors)
{
	files->sort(by_kind_and_number);
	for (const listed_sensor &f : *files) {
		listed_sensor *last = sensors->count > 0
		    ? &sensors->items[sensors->count - 1]
		    : nullptr;
		if (last != nullptr && last->kind == f.kind &&
		    last->number == f.number) {
			if (last->in_device == f.in_device)
				last->attributes |= f.attributes;
			continue;
		}
		*sensors->add() = f;
	}
}

// A driver's way of saying that it has no value: a temperature at or
// below absolute zero or above 1000 °C, a power meter's all ones; and a
// duty cycle outside 0 to 255, which is none.
bool plausible(sensor_kind kind, attribute a, int64_t value)
{
	if (a == pwm)
		return value >= 0 && value <= 255;
	if (a == pwm_enable)
		return true;
	if (kind == sensor_kind::temperature)
		return value > -273150 && value <= 1000000;
	if (kind == sensor_kind::power)
		return value != 0xffffffffLL && value != 0xffffffffLL * 1000;
	return true;
}

// A sensor's value as the outputs take it: unknown where the driver says
// that it has none.
sensor_value value_of(const hwmon_chip &c, hwmon_sensor *s, attribute a)
{
	sensor_value v;
	v.known = linux_hwmon_long(c, s, a, &v.value) &&
	    plausible(s->kind, a, v.value);
	return v;
}

sensor_value alarm_of(const hwmon_chip &c, hwmon_sensor *s)
{
	static const attribute alarms[] = {alarm, crit_alarm, min_alarm,
	    max_alarm, lcrit_alarm, emergency_alarm, cap_alarm};
	sensor_value raised;

	for (attribute a : alarms) {
		sensor_value v = value_of(c, s, a);
		if (v.known)
			raised = {true, raised.value == 1 || v.value != 0};
	}
	return raised;
}

// The chips, this report's beside the last one's, and their sensors: a
// chip's are worked out anew, at the end of the list, when its folders'
// versions change, and kept while they do not.  The list is made anew
// without the sensors no chip has once they are the larger part.
grow_list<hwmon_chip> chips, chips_before;
grow_list<hwmon_sensor> known;
bool chips_listed;
uint64_t generation = 1;
sysfs_stamp hwmons_stamp; // class/hwmon's

// Whether the files make a sensor: an input, a power meter's average, a
// fan's control without a speed input (a header with no tachometer), a
// case switch's alarm.
bool has_reading(const hwmon_sensor &k)
{
	switch (k.kind) {
	case sensor_kind::power:
		return k.has(input) || k.has(average);
	case sensor_kind::fan:
		return k.has(input) || k.has(pwm);
	case sensor_kind::intrusion:
		return k.has(alarm);
	default:
		return k.has(input);
	}
}

void add_sensor(const char (&chip)[sensor_chip_size], const hwmon_chip &c,
    hwmon_sensor *k, grow_list<sensor_reading> *sensors)
{
	if (!has_reading(*k))
		return;
	sensor_reading *r = sensors->add();
	memcpy(r->chip, chip, sizeof r->chip);
	r->kind = k->kind;
	r->number = k->number;
	memcpy(r->label, k->label, sizeof r->label);
	r->value = value_of(c, k, k->has(input) ? input : average);
	r->min = value_of(c, k, min);
	r->max = value_of(c, k, max);
	r->critical = value_of(c, k, crit);
	r->low_critical = value_of(c, k, lcrit);
	r->emergency = value_of(c, k, emergency);
	r->max_hysteresis = value_of(c, k, max_hyst);
	r->critical_hysteresis = value_of(c, k, crit_hyst);
	r->target = value_of(c, k, target);
	r->cap = value_of(c, k, cap);
	r->pwm = value_of(c, k, pwm);
	r->pwm_mode = value_of(c, k, pwm_enable);
	r->alarm = alarm_of(c, k);
}

// Lists a chip's attribute files and reads its labels into known.
void work_out_sensors(const hwmon_chip &c, const char *folder)
{
	grow_list<listed_sensor> files, listed;

	list_folder(folder, c.in_device, &files);
	merge_files(&files, &listed);
	for (const listed_sensor &s : listed) {
		hwmon_sensor *k = known.add();
		k->kind = s.kind;
		k->number = s.number;
		k->in_device = s.in_device;
		k->attributes = s.attributes;
		const char *prefix =
		    sensor_attribute_prefixes[static_cast<int>(s.kind)];
		if (!k->has(label) ||
		    !sysfs_read_text(nullptr, k->label, sizeof k->label,
			"%s/%s%d%s", folder, prefix, s.number,
			attribute_files[label].suffix))
			snprintf(k->label, sizeof k->label, "%s%d", prefix,
			    s.number);
	}
}

// Whether the hwmon folder has no attribute file of its own.
bool attributes_in_device(const char *folder)
{
	bool in_device = true;
	sysfs_list(folder, [&](const char *name) {
		listed_sensor s;
		attribute a;
		in_device = in_device && !parse_name(name, &s, &a);
	});
	return in_device;
}

struct chip_seen {
	char name[sensor_chip_size];
};

// Two chips of one name (two thermal zones' acpitz, say) would give the
// metrics two samples of one series: the later one says its hwmon too.
void make_unique(int hwmon, char (&chip)[sensor_chip_size],
    grow_list<chip_seen> *seen)
{
	for (const chip_seen &s : *seen) {
		if (strcmp(s.name, chip) == 0) {
			char base[sensor_chip_size];
			memcpy(base, chip, sizeof base);
			snprintf(chip, sizeof chip, "%.47s-hwmon%d", base,
			    hwmon);
			break;
		}
	}
	memcpy(seen->add()->name, chip, sizeof chip);
}

// The sensors of the chips that have them, alone in the list.
void drop_unused_sensors()
{
	grow_list<hwmon_sensor> used;
	size_t count = 0;

	for (const hwmon_chip &c : chips)
		count += c.has_sensors ? c.end - c.first : 0;
	if (known.count <= 2 * count + 64)
		return;
	for (hwmon_chip &c : chips) {
		if (!c.has_sensors)
			continue;
		size_t first = used.count;
		for (size_t i = c.first; i < c.end; i++)
			*used.add() = known.items[i];
		c.first = first;
		c.end = used.count;
	}
	known.swap(used);
	generation++;
}

void list_chips()
{
	chips_listed = true;
	sysfs_change change = sysfs_restamp(&hwmons_stamp, "class/hwmon");
	chips.swap(chips_before);
	chips.clear();
	static_assert(offsetof(hwmon_chip, hwmon) == 0);
	sysfs_list_numbered("class/hwmon", "hwmon", &chips);
	bool same = chips.count == chips_before.count;
	for (hwmon_chip &c : chips) {
		const hwmon_chip *before = chips_before.find_number(c.hwmon);
		if (before != nullptr)
			c = *before;
		c.worked_out = false;
		if (change != sysfs_change::none)
			c.no_name = c.no_device_name = false;
		char name[sizeof c.name];
		if (!linux_hwmon_name(&c.no_name, name, c.hwmon, "name"))
			name[0] = '\0';
		same = same && before != nullptr && strcmp(name, c.name) == 0;
		if (change == sysfs_change::events || strcmp(name, c.name) != 0)
			c.chip[0] = '\0';
		memcpy(c.name, name, sizeof name);
	}
	if (!same)
		generation++;
	drop_unused_sensors();
}

} // namespace

grow_list<hwmon_chip> &linux_hwmon_chips()
{
	if (!chips_listed)
		list_chips();
	return chips;
}

void linux_hwmon_work_out(hwmon_chip *c)
{
	char folder[32], device[40];

	if (c->worked_out)
		return;
	c->worked_out = true;
	sysfs_path(folder, sizeof folder, "class/hwmon/hwmon%d", c->hwmon);
	sysfs_path(device, sizeof device, "%s/device", folder);
	bool same = sysfs_restamp(&c->folder, folder) == sysfs_change::none &&
	    c->has_sensors;
	// Older drivers keep their attributes in the device's folder instead.
	if (!same)
		c->in_device = attributes_in_device(folder);
	if (c->in_device)
		same =
		    sysfs_restamp(&c->device, device) == sysfs_change::none &&
		    same;
	if (same)
		return;
	c->has_sensors = true;
	c->first = known.count;
	work_out_sensors(*c, c->in_device ? device : folder);
	c->end = known.count;
	generation++;
}

hwmon_sensor &linux_hwmon_sensor(size_t i)
{
	return known.items[i];
}

uint64_t linux_hwmon_generation()
{
	return generation;
}

// The path is made only when the file is not kept.
bool linux_hwmon_long(const hwmon_chip &c, hwmon_sensor *s, attribute a,
    int64_t *value)
{
	return s->has(a) &&
	    sysfs_read_long(&s->files[a], value, "class/hwmon/hwmon%d%s/%s%d%s",
		c.hwmon, s->in_device ? "/device" : "", file_prefix(s->kind, a),
		s->number, attribute_files[a].suffix);
}

sensor_value linux_hwmon_int(const hwmon_chip &c, hwmon_sensor *s, attribute a)
{
	sensor_value v;
	v.known = linux_hwmon_long(c, s, a, &v.value) && v.value >= INT32_MIN &&
	    v.value <= INT32_MAX;
	return v;
}

void linux_hwmon_forget()
{
	chips_listed = false;
}

void linux_hwmon_sensors(grow_list<sensor_reading> *sensors)
{
	grow_list<chip_seen> seen;

	for (hwmon_chip &c : linux_hwmon_chips()) {
		char chip[sensor_chip_size];
		linux_hwmon_chip_name(&c);
		memcpy(chip, c.chip, sizeof chip);
		make_unique(c.hwmon, chip, &seen);
		linux_hwmon_work_out(&c);
		for (size_t i = c.first; i < c.end; i++)
			add_sensor(chip, c, &known.items[i], sensors);
	}
}
