// SPDX-License-Identifier: BSD-2-Clause
#include <stdio.h>
#include <string.h>

#include "hwmon.h"
#include "hwmon_chip.h"
#include "sysfs_read.h"

namespace {

// The attributes of one sensor, as the file names end: temp1_input.
enum attribute : uint8_t {
	input,
	average, // power meters that average rather than sample
	label,
	min,
	max,
	crit,
	alarm,
	crit_alarm,
	min_alarm,
	max_alarm,
	attribute_count
};

const char *const attribute_names[attribute_count] = {"input", "average",
    "label", "min", "max", "crit", "alarm", "crit_alarm", "min_alarm",
    "max_alarm"};

// One sensor as its folder lists it: which attributes it has, and whether
// they are in the hwmon folder or in its device folder, where older
// drivers put them.
struct listed_sensor {
	sensor_kind kind;
	int32_t number;
	bool in_device;
	uint16_t attributes; // a bit for each attribute
};

// "temp1_input" as its kind, number and attribute.
bool parse_name(const char *name, listed_sensor *s, attribute *a)
{
	for (int k = 0; k < sensor_kind_count; k++) {
		size_t length = strlen(sensor_attribute_prefixes[k]);
		const char *p = name + length;
		if (strncmp(name, sensor_attribute_prefixes[k], length) != 0 ||
		    *p < '0' || *p > '9')
			continue;
		int32_t number = 0;
		for (; *p >= '0' && *p <= '9' && number < 100000; p++)
			number = number * 10 + (*p - '0');
		if (*p != '_')
			return false;
		for (int i = 0; i < attribute_count; i++) {
			if (strcmp(p + 1, attribute_names[i]) == 0) {
				s->kind = static_cast<sensor_kind>(k);
				s->number = number;
				*a = static_cast<attribute>(i);
				return true;
			}
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
		s.attributes = static_cast<uint16_t>(1U << a);
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
				last->attributes = static_cast<uint16_t>(
				    last->attributes | f.attributes);
			continue;
		}
		*sensors->add() = f;
	}
}

// A driver's way of saying that it has no value: a temperature at or
// below absolute zero or above 1000 °C, a power meter's all ones.
bool plausible(sensor_kind kind, int64_t value)
{
	if (kind == sensor_kind::temperature)
		return value > -273150 && value <= 1000000;
	if (kind == sensor_kind::power)
		return value != 0xffffffffLL && value != 0xffffffffLL * 1000;
	return true;
}

// A sensor's attribute files: which it has, and where each is kept.
struct sensor_files {
	const char *folder;
	const listed_sensor &s;
	sysfs_file *files; // one for each attribute

	bool has(attribute a) const { return (s.attributes & 1U << a) != 0; }

	sensor_value value(attribute a) const
	{
		sensor_value v = {false, 0};
		if (has(a) &&
		    sysfs_read_long(&files[a], &v.value, "%s/%s%d_%s", folder,
			sensor_attribute_prefixes[static_cast<int>(s.kind)],
			s.number, attribute_names[a]))
			v.known = plausible(s.kind, v.value);
		return v;
	}
};

int8_t alarm_of(const sensor_files &f)
{
	static const attribute alarms[] = {alarm, crit_alarm, min_alarm,
	    max_alarm};
	int8_t raised = -1;

	for (attribute a : alarms) {
		sensor_value v = f.value(a);
		if (v.known)
			raised = raised == 1 || v.value != 0 ? 1 : 0;
	}
	return raised;
}

// A sensor as its chip's folder lists it, with its label: what stays
// while the folder lists the same files.
struct known_sensor {
	listed_sensor s;
	char label[sensor_label_size];
	sysfs_file files[attribute_count];
};

// The sensors of each chip, worked out when its folders' versions change
// and kept from one report to the next while they do not: the last
// report's beside this one's.
struct known_chip {
	int hwmon;
	sysfs_stamp folder, device;
	bool in_device;	   // its attributes are in its device's folder
	size_t first, end; // its sensors in known
};

grow_list<known_chip> chips, chips_before;
grow_list<known_sensor> known, known_before;

void add_sensor(const char (&chip)[sensor_chip_size], const char *folder,
    known_sensor *k, grow_list<sensor_reading> *sensors)
{
	const listed_sensor &s = k->s;
	sensor_files f = {folder, s, k->files};

	if (!f.has(input) && !(s.kind == sensor_kind::power && f.has(average)))
		return;
	sensor_reading *r = sensors->add();
	memcpy(r->chip, chip, sizeof r->chip);
	r->kind = s.kind;
	r->number = s.number;
	memcpy(r->label, k->label, sizeof r->label);
	r->value = f.value(f.has(input) ? input : average);
	r->min = f.value(min);
	r->max = f.value(max);
	r->critical = f.value(crit);
	r->alarm = alarm_of(f);
}

// Lists a chip's attribute files and reads its labels into known.
void work_out_sensors(const char *folder, const char *device, bool in_device)
{
	grow_list<listed_sensor> files, listed;

	list_folder(in_device ? device : folder, in_device, &files);
	merge_files(&files, &listed);
	for (const listed_sensor &s : listed) {
		known_sensor *k = known.add();
		k->s = s;
		const char *prefix =
		    sensor_attribute_prefixes[static_cast<int>(s.kind)];
		if (!(s.attributes & 1U << label) ||
		    !sysfs_read_text(k->label, sizeof k->label, "%s/%s%d_label",
			s.in_device ? device : folder, prefix, s.number))
			snprintf(k->label, sizeof k->label, "%s%d", prefix,
			    s.number);
	}
}

const known_chip *chip_before(int hwmon)
{
	for (const known_chip &c : chips_before)
		if (c.hwmon == hwmon)
			return &c;
	return nullptr;
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

// The chip's sensors in known, as the last report had them where its
// folders are the same, else worked out anew.
const known_chip &chip_sensors(int hwmon, const char *folder,
    const char *device)
{
	known_chip *c = chips.add();
	c->hwmon = hwmon;
	const known_chip *before = chip_before(hwmon);
	if (before != nullptr) {
		c->folder = before->folder;
		c->device = before->device;
	}
	bool same = sysfs_restamp(&c->folder, folder) == sysfs_change::none &&
	    before != nullptr;
	// Older drivers keep their attributes in the device's folder instead.
	c->in_device = same ? before->in_device : attributes_in_device(folder);
	if (c->in_device)
		same =
		    sysfs_restamp(&c->device, device) == sysfs_change::none &&
		    same && before->in_device;
	c->first = known.count;
	if (same) {
		for (size_t i = before->first; i < before->end; i++)
			*known.add() = known_before.items[i];
	} else {
		work_out_sensors(folder, device, c->in_device);
	}
	c->end = known.count;
	return *c;
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

void add_chip(int hwmon, grow_list<chip_seen> *seen,
    grow_list<sensor_reading> *sensors)
{
	char chip[sensor_chip_size], folder[32], device[40];

	linux_hwmon_chip_name(hwmon, chip);
	make_unique(hwmon, chip, seen);
	sysfs_path(folder, sizeof folder, "class/hwmon/hwmon%d", hwmon);
	sysfs_path(device, sizeof device, "%s/device", folder);
	const known_chip &c = chip_sensors(hwmon, folder, device);
	for (size_t i = c.first; i < c.end; i++) {
		known_sensor *k = &known.items[i];
		add_sensor(chip, k->s.in_device ? device : folder, k, sensors);
	}
}

} // namespace

void linux_hwmon_sensors(grow_list<sensor_reading> *sensors)
{
	grow_list<int> hwmons;
	grow_list<chip_seen> seen;

	chips.swap(chips_before);
	known.swap(known_before);
	chips.clear();
	known.clear();
	sysfs_list_numbered("class/hwmon", "hwmon", &hwmons);
	for (int hwmon : hwmons)
		add_chip(hwmon, &seen, sensors);
}
