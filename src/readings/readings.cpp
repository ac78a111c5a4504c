// SPDX-License-Identifier: BSD-2-Clause
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <cstddef>

#include "collect.h"
#include "readings.h"

int read_battery_units(const battery_units &b)
{
	if (b.device != battery_device::listed)
		return 0;
	return b.count > max_battery_unit + 1 ? max_battery_unit + 1 : b.count;
}

bool plausible_limit(temperature_scale scale, int64_t value)
{
	if (scale == temperature_scale::decikelvin)
		return value > 2731 && value <= 4731;
	return value > 0 && value <= 200000;
}

bool any_zone_known(const zone_readings &z)
{
	for (const zone_reading &zone : z.zone)
		if (zone.temperature.known)
			return true;
	return false;
}

namespace {

// Whether a value is known and at least least.
bool at_least(sensor_value v, int64_t least)
{
	return v.known && v.value >= least;
}

bool charging(const battery_unit &u)
{
	return u.stage >= battery_stage::no_status &&
	    u.state.value != battery_not_present &&
	    (u.state.value & battery_charging) != 0;
}

// What is missing of the last full capacity, in the unit's amounts: none
// where the battery holds more; unknown when a value is.
sensor_value missing_charge(const battery_unit &u)
{
	int64_t full = u.last_full_capacity.value;
	int64_t now = u.remaining_capacity.value;

	return {at_least(u.last_full_capacity, 0) &&
		at_least(u.remaining_capacity, 0),
	    now > full ? 0 : full - now};
}

// Wide enough for amounts times voltages summed over every unit.
__extension__ typedef __int128 wide_amount;

// What the charging units' amounts are summed in: energy, where each
// charge-counting unit has a design voltage; else their own amounts, where
// all count charge; else nothing.
enum class summed_in : uint8_t { energy, own_amounts, nothing };

summed_in charging_amounts(const readings &r)
{
	bool in_charge = false, in_energy = false, voltages = true;

	for (int unit = 0; unit < read_battery_units(r.batteries); unit++) {
		const battery_unit &u = r.batteries.unit[unit];
		if (!charging(u))
			continue;
		(u.in_charge ? in_charge : in_energy) = true;
		voltages =
		    voltages && (!u.in_charge || at_least(u.design_voltage, 1));
	}
	if (voltages)
		return summed_in::energy;
	return in_energy ? summed_in::nothing : summed_in::own_amounts;
}

// What one of the unit's amounts is worth in the amounts all are summed
// in: in energy, the source's energy times its volt (mWh times 1000 mV is
// µWh, as mAh times mV) and charge times the design voltage.
int64_t amount_weight(const battery_unit &u, const source_units &s,
    summed_in in)
{
	if (in == summed_in::own_amounts)
		return 1;
	return u.in_charge ? u.design_voltage.value
			   : 1000000 / s.micro_per_amount;
}

// numerator over denominator in billionths, at most 1.
int64_t at_most_one(int64_t numerator, int64_t denominator)
{
	return numerator >= denominator
	    ? ratio_scale
	    : ratio_billionths(numerator, denominator);
}

// A sensor as the outputs show it, and where it stands in the list.
struct shown_sensor {
	sensor_kind kind;
	char chip[sensor_chip_size + 1];
	char label[sensor_label_size + 1];
	size_t index;
};

int compare_shown(const shown_sensor &x, const shown_sensor &y)
{
	if (x.kind != y.kind)
		return x.kind < y.kind ? -1 : 1;
	if (int chip = strcmp(x.chip, y.chip))
		return chip;
	return strcmp(x.label, y.label);
}

int by_shown_then_index(const void *a, const void *b)
{
	const auto *x = static_cast<const shown_sensor *>(a);
	const auto *y = static_cast<const shown_sensor *>(b);
	if (int shown = compare_shown(*x, *y))
		return shown;
	return (x->index > y->index) - (x->index < y->index);
}

// The label cut to make room for the attribute after it; after the first
// round, where a label so made met another, the round's number too.
void tell_apart(sensor_reading *s, int round)
{
	char suffix[sensor_label_size];
	const char *prefix =
	    sensor_attribute_prefixes[static_cast<int>(s->kind)];
	if (round == 0)
		snprintf(suffix, sizeof suffix, " %s%d", prefix, s->number);
	else
		snprintf(suffix, sizeof suffix, " %s%d~%d", prefix, s->number,
		    round);
	size_t length = strlen(suffix);
	size_t keep = strnlen(s->label, sizeof s->label - 1 - length);

	memcpy(s->label + keep, suffix, length + 1);
}

// What the lists of the last report held, how far this report's bytes
// are the same, and how often they were not.
grow_list<char> shape;
size_t shape_at;
bool shape_differs;
uint64_t shape_changes;

// From the first byte that differs from the last report's, this
// report's go over the rest.
__attribute__((noinline)) void put_shape(const void *data, size_t length)
{
	if (!shape_differs)
		shape.count = shape_at;
	shape_differs = true;
	shape.reserve(length);
	memcpy(shape.items + shape.count, data, length);
	shape.count += length;
	shape_at = shape.count;
}

// Compares the bytes with the last report's in place, none copied.
[[gnu::always_inline]] inline void add_shape(const void *data, size_t length)
{
	if (!shape_differs && shape.count - shape_at >= length &&
	    memcmp(shape.items + shape_at, data, length) == 0)
		shape_at += length;
	else
		put_shape(data, length);
}

void add_shape_number(int64_t number)
{
	add_shape(&number, sizeof number);
}

void add_shape_name(const char *name, size_t size)
{
	size_t length = strnlen(name, size);
	// With its NUL; one that fills its array, then a NUL of its own.
	add_shape(name, length + (length < size));
	if (length == size)
		add_shape("", 1);
}

// Each list as its count, then what each entity adds: numbers of 8 bytes,
// names up to their NUL, so that no two lists make the same bytes.
template <typename E, typename Add>
void add_shape_list(const grow_list<E> &list, Add add)
{
	add_shape_number(static_cast<int64_t>(list.count));
	for (const E &e : list)
		add(e);
}

} // namespace

bool battery_health_known(const battery_unit &u)
{
	return u.stage >= battery_stage::no_charge &&
	    at_least(u.design_capacity, 1) && at_least(u.last_full_capacity, 0);
}

sensor_value battery_time_to_full(const battery_unit &u, const source_units &s)
{
	sensor_value missing = missing_charge(u);

	if (!charging(u))
		return {};
	if (u.time_to_full.known)
		return {true, u.time_to_full.value * s.seconds_per_time};
	if (!missing.known || !at_least(u.status_rate, 1))
		return {};
	return {true, missing.value * 3600 / u.status_rate.value};
}

sensor_value battery_total_time_to_full(const readings &r)
{
	summed_in in = charging_amounts(r);
	// What is missing, in amount-seconds: an amount missing takes 3600
	// seconds at a rate of that amount.
	wide_amount missing = 0, rate = 0;

	if (in == summed_in::nothing)
		return {};
	for (int unit = 0; unit < read_battery_units(r.batteries); unit++) {
		const battery_unit &u = r.batteries.unit[unit];
		if (!charging(u))
			continue;
		int64_t weight = amount_weight(u, r.source, in);
		// The driver's own time says what is missing at its rate.
		sensor_value own = missing_charge(u);
		bool rated = at_least(u.status_rate, 1);
		if (u.time_to_full.known && rated)
			missing +=
			    static_cast<wide_amount>(u.time_to_full.value) *
			    r.source.seconds_per_time * u.status_rate.value *
			    weight;
		else if (own.known)
			missing +=
			    static_cast<wide_amount>(own.value) * 3600 * weight;
		else
			return {};
		if (rated)
			rate += static_cast<wide_amount>(u.status_rate.value) *
			    weight;
	}
	if (rate == 0)
		return {};
	wide_amount seconds = missing / rate;
	return {seconds <= INT64_MAX, static_cast<int64_t>(seconds)};
}

int64_t ratio_billionths(int64_t numerator, int64_t denominator)
{
	// By long division, so that no product can overflow.
	int64_t value = numerator / denominator;
	int64_t rest = numerator % denominator;

	for (int64_t d = ratio_scale; d > 1; d /= 10) {
		value = value * 10 + rest * 10 / denominator;
		rest = rest * 10 % denominator;
	}
	if (2 * rest > denominator ||
	    (2 * rest == denominator && value % 2 != 0))
		value++;
	return value;
}

sensor_value battery_remaining_billionths(const battery_unit &u)
{
	// Only a known percent is from amounts, and then of a last full
	// capacity above 0.
	return {u.percent.known,
	    u.percent_from_amounts ? at_most_one(u.remaining_capacity.value,
					 u.last_full_capacity.value)
				   : u.percent.value * (ratio_scale / 100)};
}

sensor_value battery_life_billionths(const battery_summary &s)
{
	return {s.life.known,
	    s.life_denominator > 0
		? at_most_one(s.life_numerator, s.life_denominator)
		: s.life.value * (ratio_scale / 100)};
}

void distinct_sensor_labels(grow_list<sensor_reading> *sensors)
{
	grow_list<shown_sensor> shown;

	for (int round = 0; round < 4; round++) {
		shown.clear();
		for (size_t i = 0; i < sensors->count; i++) {
			const sensor_reading &s = sensors->items[i];
			shown_sensor *k = shown.add();
			k->kind = s.kind;
			printable_string(s.chip, k->chip);
			printable_string(s.label, k->label);
			k->index = i;
		}
		shown.sort(by_shown_then_index);
		bool told_apart = false;
		for (size_t i = 1; i < shown.count; i++) {
			if (compare_shown(shown.items[i - 1], shown.items[i]) !=
			    0)
				continue;
			tell_apart(&sensors->items[shown.items[i].index],
			    round);
			told_apart = true;
		}
		if (!told_apart)
			return;
	}
}

uint64_t count_shape_changes(const readings &r)
{
	shape_at = 0;
	shape_differs = false;
	add_shape_list(r.cpus.cpu,
	    [](const cpu_reading &c) { add_shape_number(c.number); });
	add_shape_list(r.cpus.packages, [](const package_reading &p) {
		add_shape_number(p.package);
		add_shape_number(p.dies);
	});
	add_shape_list(r.zones.zone,
	    [](const zone_reading &z) { add_shape_number(z.number); });
	add_shape_list(r.cooling,
	    [](const cooling_reading &c) { add_shape_number(c.number); });
	add_shape_list(r.supplies, [](const supply_reading &s) {
		add_shape_name(s.name, sizeof s.name);
	});
	add_shape_list(r.power.domain, [](const power_domain_reading &d) {
		add_shape_name(d.domain, sizeof d.domain);
		add_shape_name(d.name, sizeof d.name);
		add_shape_name(d.label, sizeof d.label);
	});
	add_shape_number(read_battery_units(r.batteries));
	add_shape_list(r.sensors, [](const sensor_reading &s) {
		add_shape_number(static_cast<int64_t>(s.kind));
		add_shape_name(s.chip, sizeof s.chip);
		add_shape_name(s.label, sizeof s.label);
	});
	if (!shape_differs && shape_at == shape.count)
		return shape_changes;
	shape.count = shape_at;
	return ++shape_changes;
}
