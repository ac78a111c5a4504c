// SPDX-License-Identifier: BSD-2-Clause
// FreeBSD: the sensors of every driver below dev., found by walking the
// variable tree once per run, as sysctl -a does, and read at every report
// through the identifiers the walk found: the temperatures the kernel
// formats in tenths of a kelvin (IK), the ThinkPad's and the Apple SMC's
// fans, and the ASUS ATK0110's temperatures, fans and voltages with their
// ranges.  The CPU lines and their limits are left out: the report and -x
// show them already.
//
// Kept for the run: each sensor's identifiers, kind, chip and label.  A
// chip is a device, dev.DRIVER.UNIT, named DRIVER and UNIT together; a
// later device of a name an earlier one has is named with its count.

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "kernel/kernel.h"
#include "readings/collect.h"

namespace {

// How a sensor's variables read.
enum class source : uint8_t {
	single, // one int: the value
	range,	// aibs: the value, then its range
	asmc,	// .speed, with .minspeed and .maxspeed beside it
};

// dev, the driver and the unit: the identifier of a sensor's device.
constexpr unsigned device_length = 3;

struct found_sensor {
	sysctl_oid value;     // length 0 for asmc until its .speed is found
	sysctl_oid low, high; // asmc's .minspeed and .maxspeed; length 0 none
	source from;
	sensor_kind kind;
	char chip[sensor_chip_size];
	char label[sensor_label_size];
	int32_t number; // among its chip's sensors of its kind, from 1
};

grow_list<found_sensor> found;
bool walked;

// "dev.jedec_dimm.3.temp": chip "jedec_dimm3", label "temp", each cut to
// its size.
bool split_name(const char *name, found_sensor *s)
{
	const char *driver = name + strlen("dev.");
	const char *dot = strchr(driver, '.');
	if (strncmp(name, "dev.", 4) != 0 || dot == nullptr || dot[1] < '0' ||
	    dot[1] > '9')
		return false;
	char *end;
	long unit = strtol(dot + 1, &end, 10);
	if (*end != '.' || end[1] == '\0')
		return false;
	char number[24];
	size_t digits =
	    static_cast<size_t>(snprintf(number, sizeof number, "%ld", unit));
	size_t room = sizeof s->chip - 1 - digits;
	size_t length = static_cast<size_t>(dot - driver);
	snprintf(s->chip, sizeof s->chip, "%.*s%s",
	    static_cast<int>(length < room ? length : room), driver, number);
	snprintf(s->label, sizeof s->label, "%s", end + 1);
	return true;
}

// An ATK0110 sensor's label, "temp.0", as its kind.
bool aibs_kind(const char *label, sensor_kind *kind)
{
	static const struct {
		const char *name;
		sensor_kind kind;
	} kinds[] = {{"temp.", sensor_kind::temperature},
	    {"fan.", sensor_kind::fan}, {"volt.", sensor_kind::voltage}};

	for (const auto &k : kinds) {
		size_t length = strlen(k.name);
		const char *index = label + length;
		if (strncmp(label, k.name, length) == 0 && *index != '\0' &&
		    strspn(index, "0123456789") == strlen(index)) {
			*kind = k.kind;
			return true;
		}
	}
	return false;
}

bool ends_with(const char *text, const char *end)
{
	size_t t = strlen(text), e = strlen(end);
	return t >= e && strcmp(text + t - e, end) == 0;
}

// An Apple SMC fan's variable: which of the three, by how its name ends;
// *cut, if asked, the length of that end.
sysctl_oid *asmc_part(found_sensor *s, const char *name, size_t *cut = nullptr)
{
	static const char *const ends[] = {".speed", ".minspeed", ".maxspeed"};
	sysctl_oid *parts[] = {&s->value, &s->low, &s->high};

	for (int i = 0; i < 3; i++) {
		if (ends_with(name, ends[i])) {
			if (cut != nullptr)
				*cut = strlen(ends[i]);
			return parts[i];
		}
	}
	return nullptr;
}

// The fan that the variable at oid belongs to: the variables of one fan
// share its node, all of their identifier but the last number.
found_sensor *asmc_fan(const sysctl_oid &oid)
{
	for (found_sensor &f : found) {
		const sysctl_oid &any = f.value.length > 0 ? f.value
		    : f.low.length > 0			   ? f.low
							   : f.high;
		if (f.from == source::asmc && any.length == oid.length &&
		    oid_prefix_equal(any, oid, oid.length - 1))
			return &f;
	}
	return nullptr;
}

// One of an Apple SMC fan's variables, to the fan found before or to a
// new one, whose chip and label are those of the fan's node ("fan.0").
void add_asmc(const char *name, const sysctl_oid &oid)
{
	found_sensor *fan = asmc_fan(oid);
	size_t cut;

	if (fan == nullptr) {
		found_sensor s = {};
		asmc_part(&s, name, &cut);
		text_ptr node = format_text("%.*s",
		    static_cast<int>(strlen(name) - cut), name);
		if (!split_name(node.get(), &s))
			return;
		s.from = source::asmc;
		s.kind = sensor_kind::fan;
		fan = found.add();
		*fan = s;
	}
	*asmc_part(fan, name) = oid;
}

// What one variable of the walk is, if a sensor.
void classify(const char *name, const sysctl_oid &oid, const char *format,
    void *)
{
	found_sensor s = {};

	if (strncmp(name, "dev.cpu.", 8) == 0 || oid.length <= device_length ||
	    !split_name(name, &s))
		return;
	s.value = oid;
	if (strncmp(name, "dev.aibs.", 9) == 0) {
		if (!aibs_kind(s.label, &s.kind))
			return;
		s.from = source::range;
	} else if (strncmp(name, "dev.asmc.", 9) == 0 &&
	    strstr(name, ".fan.") != nullptr &&
	    asmc_part(&s, name) != nullptr) {
		add_asmc(name, oid);
		return;
	} else if (strncmp(name, "dev.acpi_ibm.", 13) == 0 &&
	    ends_with(name, ".fan_speed")) {
		s.from = source::single;
		s.kind = sensor_kind::fan;
	} else if (strcmp(format, "IK") == 0 || strcmp(format, "IK1") == 0) {
		s.from = source::single;
		s.kind = sensor_kind::temperature;
	} else {
		return;
	}
	*found.add() = s;
}

// Whether two chip names show the same: the outputs show every byte
// outside printable ASCII as '?'.
bool same_shown(const char (&a)[sensor_chip_size],
    const char (&b)[sensor_chip_size])
{
	char x[sensor_chip_size + 1], y[sensor_chip_size + 1];

	printable_text(a, sizeof a, x);
	printable_text(b, sizeof b, y);
	return strcmp(x, y) == 0;
}

// Whether a sensor of another device before found[end] shows chip.
bool chip_taken(size_t end, const sysctl_oid &device,
    const char (&chip)[sensor_chip_size])
{
	for (size_t i = 0; i < end; i++) {
		const found_sensor &f = found.items[i];
		if (!oid_prefix_equal(f.value, device, device_length) &&
		    same_shown(f.chip, chip))
			return true;
	}
	return false;
}

// Each device's chip name unique: one that an earlier device has already
// is named with its count, "a11-2", cut to fit; each sensor numbered among
// its chip's sensors of its kind.
void name_chips()
{
	for (size_t i = 0; i < found.count; i++) {
		found_sensor &s = found.items[i];
		bool named = false;
		s.number = 1;
		for (size_t j = 0; j < i; j++) {
			const found_sensor &f = found.items[j];
			if (!oid_prefix_equal(f.value, s.value, device_length))
				continue;
			if (!named)
				memcpy(s.chip, f.chip, sizeof s.chip);
			named = true;
			s.number += f.kind == s.kind;
		}
		char base[sensor_chip_size];
		memcpy(base, s.chip, sizeof base);
		for (int count = 2; !named && chip_taken(i, s.value, s.chip);
		     count++) {
			char suffix[16];
			int length =
			    snprintf(suffix, sizeof suffix, "-%d", count);
			snprintf(s.chip, sizeof s.chip, "%.*s%s",
			    static_cast<int>(sizeof s.chip - 1) - length, base,
			    suffix);
		}
	}
}

// An Apple SMC fan without its .speed is none.
void drop_fans_without_speed()
{
	size_t kept = 0;

	for (const found_sensor &f : found)
		if (f.value.length > 0)
			found.items[kept++] = f;
	found.count = kept;
}

// Tenths of a kelvin from absolute zero to 1000 °C; anything else is a
// driver's "none".
sensor_value plausible(sensor_kind kind, bool known, int value)
{
	if (kind == sensor_kind::temperature)
		known = known && value > 0 && value <= 12731;
	return {known, value};
}

sensor_value read_one(sensor_kind kind, const sysctl_oid &oid)
{
	int value = 0;
	bool known = oid.length > 0 && sysctl_read_oid(oid, &value, 1) == 1;
	return plausible(kind, known, value);
}

void read_sensor(const found_sensor &f, sensor_reading *s)
{
	*s = {};
	memcpy(s->chip, f.chip, sizeof s->chip);
	memcpy(s->label, f.label, sizeof s->label);
	s->kind = f.kind;
	s->number = f.number;
	if (f.from != source::range) {
		// A single value has no .minspeed and .maxspeed: those read
		// unknown.
		s->value = read_one(f.kind, f.value);
		s->min = read_one(f.kind, f.low);
		s->max = read_one(f.kind, f.high);
		return;
	}
	// Temperatures have two upper limits; voltages and fans a lower and
	// an upper one.
	bool temperature = f.kind == sensor_kind::temperature;
	sensor_value *parts[] = {&s->value, temperature ? &s->max : &s->min,
	    temperature ? &s->critical : &s->max};
	int v[3];
	int n = sysctl_read_oid(f.value, v, 3);
	for (int i = 0; i < 3; i++)
		*parts[i] = plausible(f.kind, n > i, n > i ? v[i] : 0);
}

int by_chip_then_kind(const void *a, const void *b)
{
	const auto *x = static_cast<const sensor_reading *>(a);
	const auto *y = static_cast<const sensor_reading *>(b);
	if (int chip = strcmp(x->chip, y->chip))
		return chip;
	if (x->kind != y->kind)
		return x->kind < y->kind ? -1 : 1;
	return (x->number > y->number) - (x->number < y->number);
}

} // namespace

void collect_sensors(readings *r)
{
	r->sensors.clear();
	if (!r->extended)
		return;
	if (!walked) {
		sysctl_walk("dev", classify, nullptr);
		drop_fans_without_speed();
		name_chips();
		walked = true;
	}
	for (const found_sensor &f : found)
		read_sensor(f, r->sensors.add());
	r->sensors.sort(by_chip_then_kind);
	distinct_sensor_labels(&r->sensors);
}
