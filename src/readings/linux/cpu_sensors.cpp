// SPDX-License-Identifier: BSD-2-Clause
#include <stdio.h>
#include <string.h>

#include "cpu_sensors.h"
#include "hwmon_chip.h"
#include "sysfs_read.h"

namespace {

enum class hwmon_kind : uint8_t { other, coretemp, amd };

struct hwmon_entry {
	int number;
	hwmon_kind kind;
	sysfs_stamp stamp; // of a CPU hwmon's folder
	bool same;	   // a CPU hwmon, of the same kind and folder as before
};

grow_list<cpu_sensor> sensors, sensors_before;
bool sensors_listed;

// The hwmons the sensors were found in, with class/hwmon's stamp: while
// all stay the same, so do the sensors.  A hwmon that went and came back
// under its number has a new folder, and with it a new version; one whose
// folder is not listed reads its name anew.
grow_list<hwmon_entry> sensors_from;
sysfs_stamp hwmons_stamp;

// One input of a hwmon, by its label.  Returns false for labels that say
// nothing about a CPU.
bool classify(const char *label, bool amd, cpu_sensor *s)
{
	if (amd) {
		if (strcmp(label, "Tdie") == 0)
			s->kind = cpu_sensor_kind::amd_tdie;
		else if (strcmp(label, "Tctl") == 0)
			s->kind = cpu_sensor_kind::amd_tctl;
		else if (sysfs_name_number(label, "Tccd", &s->core) &&
		    s->core > 0) {
			// Tccd1 is the first die: die 0, as FreeBSD counts.
			s->core--;
			s->kind = cpu_sensor_kind::amd_ccd;
		} else {
			return false;
		}
		return true;
	}
	if (sysfs_name_number(label, "Core ", &s->core)) {
		s->kind = cpu_sensor_kind::core;
		return true;
	}
	// Kernels before 3.x said "Physical id".
	if (sysfs_name_number(label, "Package id ", &s->package) ||
	    sysfs_name_number(label, "Physical id ", &s->package)) {
		s->kind = cpu_sensor_kind::package;
		return true;
	}
	return false;
}

// Reads the labels of one CPU hwmon and adds a sensor for each that names
// a core, a package or an AMD die.  package is the package an AMD hwmon
// serves (-1: every package); Intel's own package label says it.
// K of "tempK_" and the attribute, such as temp3_label.
bool temp_attribute(const char *name, const char *attribute, int *input)
{
	const char *suffix = strchr(name, '_');
	char stem[16];

	if (suffix == nullptr || strcmp(suffix + 1, attribute) != 0)
		return false;
	size_t stem_length = static_cast<size_t>(suffix - name);
	if (stem_length >= sizeof stem)
		return false;
	memcpy(stem, name, stem_length);
	stem[stem_length] = '\0';
	return sysfs_name_number(stem, "temp", input);
}

void add_hwmon_sensors(int hwmon, bool amd, int package)
{
	char dir[32];
	size_t first = sensors.count;

	sysfs_path(dir, sizeof dir, "class/hwmon/hwmon%d", hwmon);
	sysfs_list(dir, [&](const char *name) {
		int input;
		char label[32];
		if (!temp_attribute(name, "label", &input) ||
		    !sysfs_read_text(label, sizeof label, "%s/%s", dir, name))
			return;
		cpu_sensor s;
		s.hwmon = hwmon;
		s.input = input;
		s.package = package;
		if (classify(label, amd, &s))
			*sensors.add() = s;
	});
	// Which of them have a critical temperature: the folder lists every
	// attribute, and one that it does not list is not looked for.
	sysfs_list(dir, [&](const char *name) {
		int input;
		if (!temp_attribute(name, "crit", &input))
			return;
		for (size_t i = first; i < sensors.count; i++)
			if (sensors.items[i].input == input)
				sensors.items[i].has_critical = true;
	});
	if (amd)
		return;
	// The cores of a coretemp hwmon belong to the package it is labelled
	// with; without such a label, to every package.
	int own_package = -1;
	for (size_t i = first; i < sensors.count; i++)
		if (sensors.items[i].kind == cpu_sensor_kind::package)
			own_package = sensors.items[i].package;
	for (size_t i = first; i < sensors.count; i++)
		if (sensors.items[i].kind == cpu_sensor_kind::core)
			sensors.items[i].package = own_package;
}

hwmon_kind read_hwmon_kind(int hwmon)
{
	char name[32];

	if (!linux_hwmon_name(hwmon, false, name))
		return hwmon_kind::other;
	if (strcmp(name, "coretemp") == 0)
		return hwmon_kind::coretemp;
	if (strcmp(name, "k10temp") == 0 || strcmp(name, "zenpower") == 0)
		return hwmon_kind::amd;
	return hwmon_kind::other;
}

// The core sensors by package and core, so that a CPU finds its own
// without a look at every sensor: the same time at 4 CPUs or 1024.
struct core_key {
	int package;
	int core;
	int index; // in sensors, which decides among equal keys
};

grow_list<core_key> core_index;
// The other sensors, packages' and AMD's: a few per package.
grow_list<int> other_sensors;

int by_core_key(const void *a, const void *b)
{
	const auto *x = static_cast<const core_key *>(a);
	const auto *y = static_cast<const core_key *>(b);
	if (x->package != y->package)
		return x->package < y->package ? -1 : 1;
	if (x->core != y->core)
		return x->core < y->core ? -1 : 1;
	return (x->index > y->index) - (x->index < y->index);
}

void index_core_sensors()
{
	core_index.clear();
	other_sensors.clear();
	for (size_t i = 0; i < sensors.count; i++) {
		const cpu_sensor &s = sensors.items[i];
		if (s.kind == cpu_sensor_kind::core)
			*core_index.add() = {s.package, s.core,
			    static_cast<int>(i)};
		else
			*other_sensors.add() = static_cast<int>(i);
	}
	core_index.sort(by_core_key);
}

// The first entry of the index with that package and core, or the end.
size_t first_core_key(int package, int core)
{
	size_t low = 0, high = core_index.count;
	while (low < high) {
		size_t middle = low + (high - low) / 2;
		const core_key &k = core_index.items[middle];
		if (k.package < package ||
		    (k.package == package && k.core < core))
			low = middle + 1;
		else
			high = middle;
	}
	return low;
}

// The hwmons, each with its kind, and whether each CPU hwmon is the same
// as in the last list.
void list_hwmons(grow_list<hwmon_entry> *hwmons)
{
	static_assert(offsetof(hwmon_entry, number) == 0);
	sysfs_list_numbered("class/hwmon", "hwmon", hwmons);
	for (hwmon_entry &h : *hwmons) {
		char dir[32];
		h.kind = read_hwmon_kind(h.number);
		if (h.kind == hwmon_kind::other)
			continue;
		const hwmon_entry *before = sensors_from.find_number(h.number);
		if (before != nullptr)
			h.stamp = before->stamp;
		sysfs_path(dir, sizeof dir, "class/hwmon/hwmon%d", h.number);
		h.same = sysfs_restamp(&h.stamp, dir) == sysfs_change::none &&
		    before != nullptr && before->kind == h.kind;
	}
}

bool same_hwmons(const grow_list<hwmon_entry> &a,
    const grow_list<hwmon_entry> &b)
{
	if (a.count != b.count)
		return false;
	for (size_t i = 0; i < a.count; i++)
		if (a.items[i].number != b.items[i].number ||
		    a.items[i].kind != b.items[i].kind ||
		    (a.items[i].kind != hwmon_kind::other && !a.items[i].same))
			return false;
	return true;
}

// A hwmon that the last list had, with the same folder: its sensors are
// copied from there rather than read again.
bool reuse_sensors(const hwmon_entry &h, int package)
{
	if (!h.same)
		return false;
	for (const cpu_sensor &s : sensors_before) {
		if (s.hwmon != h.number)
			continue;
		cpu_sensor *copy = sensors.add();
		*copy = s;
		if (h.kind == hwmon_kind::amd)
			copy->package = package;
	}
	return true;
}

// Works the sensors out again from the hwmons listed, copying those of
// the hwmons that stayed the same.
void rebuild_sensors(grow_list<hwmon_entry> *hwmons)
{
	sensors.swap(sensors_before);
	sensors.clear();
	int amd_count = 0;
	for (const hwmon_entry &h : *hwmons)
		amd_count += h.kind == hwmon_kind::amd;
	// AMD has one hwmon per package: the i-th, in hwmon order, serves
	// package i, and a lone one every package.
	int amd_seen = 0;
	for (const hwmon_entry &h : *hwmons) {
		if (h.kind == hwmon_kind::other)
			continue;
		bool amd = h.kind == hwmon_kind::amd;
		int package = amd && amd_count > 1 ? amd_seen++ : -1;
		if (!reuse_sensors(h, package))
			add_hwmon_sensors(h.number, amd, package);
	}
	index_core_sensors();
}

void list_sensors()
{
	grow_list<hwmon_entry> hwmons;

	sensors_listed = true;
	sysfs_change change = sysfs_restamp(&hwmons_stamp, "class/hwmon");
	list_hwmons(&hwmons);
	if (change != sysfs_change::none || !same_hwmons(hwmons, sensors_from))
		rebuild_sensors(&hwmons);
	sensors_from.swap(hwmons);
	for (cpu_sensor &s : sensors)
		s.temp.state = s.critical.state = reading::unread;
}

} // namespace

grow_list<cpu_sensor> &cpu_sensors()
{
	if (!sensors_listed)
		list_sensors();
	return sensors;
}

// A sensor's input, read on first use.
bool sensor_temperature(cpu_sensor *s, int32_t *millicelsius)
{
	if (s->temp.state == reading::unread) {
		bool ok = sysfs_read_int(&s->input_file, &s->temp.millicelsius,
		    "class/hwmon/hwmon%d/temp%d_input", s->hwmon, s->input);
		s->temp.state = ok ? reading::known : reading::missing;
	}
	*millicelsius = s->temp.millicelsius;
	return s->temp.state == reading::known;
}

// The first readable sensor for the core, in the order of cpu_sensor_kind:
// its index, or -1.
int core_sensor(int package, int core, int32_t *millicelsius)
{
	if (!sensors_listed)
		list_sensors();
	// The core's own inputs, its package's and any package's, in the
	// order of the sensors.
	size_t own = first_core_key(package, core);
	size_t any = first_core_key(-1, core);
	for (;;) {
		bool own_left = own < core_index.count &&
		    core_index.items[own].package == package &&
		    core_index.items[own].core == core;
		bool any_left = package != -1 && any < core_index.count &&
		    core_index.items[any].package == -1 &&
		    core_index.items[any].core == core;
		if (!own_left && !any_left)
			break;
		size_t &next = own_left &&
			(!any_left ||
			    core_index.items[own].index <
				core_index.items[any].index)
		    ? own
		    : any;
		int i = core_index.items[next++].index;
		if (sensor_temperature(&sensors.items[i], millicelsius))
			return i;
	}
	for (int kind = static_cast<int>(cpu_sensor_kind::package);
	     kind <= static_cast<int>(cpu_sensor_kind::amd_tctl); kind++) {
		for (int i : other_sensors) {
			cpu_sensor &s = sensors.items[i];
			if (static_cast<int>(s.kind) != kind ||
			    (s.package != -1 && s.package != package))
				continue;
			if (sensor_temperature(&s, millicelsius))
				return i;
		}
	}
	return -1;
}

void forget_cpu_sensors()
{
	sensors_listed = false;
}
