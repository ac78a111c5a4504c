// SPDX-License-Identifier: BSD-2-Clause
// FreeBSD: the sensors of every driver below dev., found by walking the
// variable tree once per run, as sysctl -a does, and read at every report:
// the temperatures the kernel formats in tenths of a kelvin (IK), the
// ThinkPad's and the Apple SMC's fans, and the ASUS ATK0110's temperatures,
// fans and voltages with their ranges.  The CPU lines and their limits
// are left out: the report and -x show them already.

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

struct found_sensor {
	char name[128]; // the variable, or for asmc the fan's node
	source from;
	sensor_kind kind;
	char chip[sensor_chip_size];
	char label[sensor_label_size];
};

grow_list<found_sensor> found;
bool walked;

// "dev.jedec_dimm.3.temp": chip "jedec_dimm3", label "temp".
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
	snprintf(s->chip, sizeof s->chip, "%.*s%ld",
	    static_cast<int>(dot - driver), driver, unit);
	snprintf(s->label, sizeof s->label, "%s", end + 1);
	snprintf(s->name, sizeof s->name, "%s", name);
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

// What one variable of the walk is, if a sensor.
void classify(const char *name, const char *format, void *)
{
	found_sensor s = {};

	if (strncmp(name, "dev.cpu.", 8) == 0 || !split_name(name, &s))
		return;
	if (strncmp(name, "dev.aibs.", 9) == 0) {
		if (!aibs_kind(s.label, &s.kind))
			return;
		s.from = source::range;
	} else if (strncmp(name, "dev.asmc.", 9) == 0 &&
	    ends_with(name, ".speed") && strstr(name, ".fan.") != nullptr) {
		s.from = source::asmc;
		s.kind = sensor_kind::fan;
		s.name[strlen(s.name) - strlen(".speed")] = '\0';
		s.label[strlen(s.label) - strlen(".speed")] = '\0';
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

// Tenths of a kelvin from absolute zero to 1000 °C; anything else is a
// driver's "none".
sensor_value plausible(sensor_kind kind, bool known, int value)
{
	if (kind == sensor_kind::temperature)
		known = known && value > 0 && value <= 12731;
	return {known, value};
}

sensor_value read_one(sensor_kind kind, const char *name)
{
	int value = 0;
	bool known = sysctl_read_int(name, &value);
	return plausible(kind, known, value);
}

void read_sensor(const found_sensor &f, int32_t number, sensor_reading *s)
{
	*s = {};
	memcpy(s->chip, f.chip, sizeof s->chip);
	memcpy(s->label, f.label, sizeof s->label);
	s->kind = f.kind;
	s->number = number;
	s->alarm = -1;
	if (f.from == source::single) {
		s->value = read_one(f.kind, f.name);
	} else if (f.from == source::asmc) {
		text_ptr speed = format_text("%s.speed", f.name);
		text_ptr low = format_text("%s.minspeed", f.name);
		text_ptr high = format_text("%s.maxspeed", f.name);
		s->value = read_one(f.kind, speed.get());
		s->min = read_one(f.kind, low.get());
		s->max = read_one(f.kind, high.get());
	} else {
		int v[3];
		int n = sysctl_read_ints(f.name, v, 3);
		s->value = plausible(f.kind, n >= 1, n >= 1 ? v[0] : 0);
		// Temperatures have two upper limits; voltages and fans a
		// lower and an upper one.
		sensor_value *second =
		    f.kind == sensor_kind::temperature ? &s->max : &s->min;
		sensor_value *third =
		    f.kind == sensor_kind::temperature ? &s->critical : &s->max;
		*second = plausible(f.kind, n >= 2, n >= 2 ? v[1] : 0);
		*third = plausible(f.kind, n >= 3, n >= 3 ? v[2] : 0);
	}
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
		walked = true;
	}
	int32_t number = 0;
	for (const found_sensor &f : found)
		read_sensor(f, number++, r->sensors.add());
	r->sensors.sort(by_chip_then_kind);
}
