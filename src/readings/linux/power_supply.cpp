// SPDX-License-Identifier: BSD-2-Clause
#include <stdlib.h>
#include <string.h>

#include "power_supply.h"
#include "supply_list.h"

namespace {

// The attributes read of a battery, each beside its file's name.  Those
// before ALARM are properties of the supply's uevent too, as are the
// texts.
enum number_attr {
	PRESENT,
	CAPACITY,
	ENERGY_NOW,
	ENERGY_FULL,
	ENERGY_FULL_DESIGN,
	CHARGE_NOW,
	CHARGE_FULL,
	CHARGE_FULL_DESIGN,
	POWER_NOW,
	CURRENT_NOW,
	TIME_TO_EMPTY_NOW,
	TIME_TO_FULL_NOW,
	VOLTAGE_NOW,
	VOLTAGE_MIN_DESIGN,
	CYCLE_COUNT,
	// Attributes of the driver, not properties: never in the uevent.
	ALARM,
	CHARGE_START,
	CHARGE_END,
	// The names that older vendor drivers give the thresholds.
	CHARGE_START_OLD,
	CHARGE_STOP_OLD,
	NUMBER_ATTRS
};

constexpr const char *number_names[NUMBER_ATTRS] = {"present", "capacity",
    "energy_now", "energy_full", "energy_full_design", "charge_now",
    "charge_full", "charge_full_design", "power_now", "current_now",
    "time_to_empty_now", "time_to_full_now", "voltage_now",
    "voltage_min_design", "cycle_count", "alarm",
    "charge_control_start_threshold", "charge_control_end_threshold",
    "charge_start_threshold", "charge_stop_threshold"};

enum text_attr {
	STATUS,
	CAPACITY_LEVEL,
	MODEL_NAME,
	SERIAL_NUMBER,
	TECHNOLOGY,
	MANUFACTURER,
	HEALTH,
	TEXT_ATTRS
};

constexpr const char *text_names[TEXT_ATTRS] = {"status", "capacity_level",
    "model_name", "serial_number", "technology", "manufacturer", "health"};

bool is_present(battery *b)
{
	return battery_number(b, PRESENT) != 0;
}

bool is_discharging(battery *b)
{
	return battery_text_is(b, STATUS, "Discharging");
}

// Batteries report energy (µWh, µW) or charge (µAh, µA).
bool reports_charge(battery *b)
{
	return !battery_known(b, ENERGY_NOW) &&
	    !battery_known(b, ENERGY_FULL) &&
	    !battery_known(b, ENERGY_FULL_DESIGN) &&
	    (battery_known(b, CHARGE_NOW) || battery_known(b, CHARGE_FULL) ||
		battery_known(b, CHARGE_FULL_DESIGN));
}

int64_t now(battery *b)
{
	return battery_number(b, reports_charge(b) ? CHARGE_NOW : ENERGY_NOW);
}

int64_t full(battery *b)
{
	return battery_number(b, reports_charge(b) ? CHARGE_FULL : ENERGY_FULL);
}

// Some drivers report the discharge rate as negative.
int64_t rate(battery *b)
{
	number_attr attr = reports_charge(b) ? CURRENT_NOW : POWER_NOW;
	if (!battery_known(b, attr))
		return -1;
	return llabs(battery_number(b, attr));
}

// A value in its micro-units or seconds, or a percent: unknown when it is
// not known (-1) or negative.
sensor_value non_negative(int64_t value)
{
	return {value >= 0, value};
}

// A percentage from 0 to 100, or -1: a capacity outside that range is a
// driver's error, not a reading.
int32_t percent_or_unknown(int64_t percent)
{
	return percent < 0 || percent > 100 ? -1
					    : static_cast<int32_t>(percent);
}

// What is left of what a full charge holds, in percent.  A battery holds
// more than its last full charge when its gauge was last calibrated low.
int32_t charge_percent(int64_t now, int64_t full)
{
	int64_t percent = 100 * now / full;
	return static_cast<int32_t>(percent > 100 ? 100 : percent);
}

// The battery's own capacity attribute; -1 when it has none.
int32_t capacity_percent(battery *b)
{
	return percent_or_unknown(battery_number(b, CAPACITY));
}

// Whether the battery's charge is taken from its amounts, which give more
// digits than its capacity attribute: not where they are missing, nor where
// they say empty while the capacity says 1 % or more.
bool from_amounts(battery *b)
{
	if (now(b) < 0 || full(b) <= 0)
		return false;
	return now(b) > 0 || capacity_percent(b) < 1;
}

int32_t battery_percent(battery *b)
{
	return from_amounts(b) ? charge_percent(now(b), full(b))
			       : capacity_percent(b);
}

// The battery's share of a full charge in trillionths, at most 1; -1 when
// unknown.  Amounts fit 32 bits: now times 10^9 cannot overflow.
constexpr int64_t share_scale = 1000000000000;

int64_t share(battery *b)
{
	if (!from_amounts(b))
		return capacity_percent(b) < 0
		    ? -1
		    : capacity_percent(b) * (share_scale / 100);
	int64_t n = now(b) > full(b) ? full(b) : now(b), f = full(b);
	int64_t billionths = n * 1000000000 / f;
	return billionths * 1000 + n * 1000000000 % f * 1000 / f;
}

// Seconds left while discharging, otherwise -1.
int64_t battery_seconds(battery *b)
{
	if (!is_discharging(b))
		return -1;
	if (now(b) >= 0 && rate(b) > 0)
		return now(b) * 3600 / rate(b);
	return battery_number(b, TIME_TO_EMPTY_NOW);
}

int32_t state_bits(battery *b)
{
	int32_t state = 0;

	if (is_discharging(b))
		state |= battery_discharging;
	if (battery_text_is(b, STATUS, "Charging"))
		state |= battery_charging;
	if (battery_text_is(b, CAPACITY_LEVEL, "Critical"))
		state |= battery_critical;
	return state;
}

int32_t battery_state(battery *b)
{
	return is_present(b) ? state_bits(b) : battery_not_present;
}

// The totals are taken in energy when any battery reports it, otherwise in
// charge; no sum mixes the two.  In an energy total, a battery that reports
// charge counts by its design voltage, as the ACPI code of the BSDs does.
struct pool {
	bool in_energy;

	// The battery's value in the pool's kind, or -1.
	int64_t convert(battery *b, int64_t value) const
	{
		bool charge = reports_charge(b);
		if (value < 0 || (!in_energy && !charge))
			return -1;
		if (!in_energy || !charge)
			return value;
		// Kept within 32 bits like every other value, so that no sum over
		// the batteries can overflow.
		int64_t microvolts = battery_number(b, VOLTAGE_MIN_DESIGN);
		if (microvolts <= 0)
			return -1;
		int64_t energy = value * microvolts / 1000000;
		return energy > INT32_MAX ? INT32_MAX : energy;
	}
};

pool choose_pool()
{
	for (size_t i = 0; i < battery_count(); i++) {
		battery *b = supply_battery(i);
		if (is_present(b) && !reports_charge(b) && full(b) > 0)
			return pool{true};
	}
	return pool{false};
}

void copy_text(char (&field)[battery_string_size], battery *b, text_attr attr)
{
	memset(field, 0, sizeof field);
	memcpy(field, battery_text(b, attr), strlen(battery_text(b, attr)));
}

// The threshold's file, else the file older vendor drivers give it.
int64_t threshold(battery *b, number_attr attr, number_attr older)
{
	return battery_known(b, attr) ? battery_number(b, attr)
				      : battery_number(b, older);
}

// The cycles, unknown where the firmware does not count (0); the
// thresholds, each unknown alone when its file cannot be read; the
// driver's words for the status, charge and health.
void read_wear(battery *b, battery_unit *u)
{
	int64_t cycles = battery_number(b, CYCLE_COUNT);
	int64_t start = threshold(b, CHARGE_START, CHARGE_START_OLD);
	int64_t end = threshold(b, CHARGE_END, CHARGE_STOP_OLD);

	u->cycles = {cycles > 0, cycles};
	u->charge_start = non_negative(percent_or_unknown(start));
	u->charge_end = non_negative(percent_or_unknown(end));
	copy_text(u->status, b, STATUS);
	copy_text(u->capacity_level, b, CAPACITY_LEVEL);
	copy_text(u->health, b, HEALTH);
}

} // namespace

const battery_attributes linux_battery_files =
    attributes_of<ALARM>(number_names, text_names);

void linux_battery_life(battery_summary *s)
{
	pool p = choose_pool();
	int64_t weighted = 0, weights = 0, shares = 0, count = 0;
	bool every_weight = true;

	for (size_t i = 0; i < battery_count(); i++) {
		battery *b = supply_battery(i);
		if (!is_present(b))
			continue;
		int64_t own = share(b), weight = p.convert(b, full(b));
		if (own < 0)
			return;
		shares += own;
		count++;
		if (weight <= 0) {
			every_weight = false;
			continue;
		}
		weights += weight;
		weighted += from_amounts(b) ? 100 * p.convert(b, now(b))
					    : capacity_percent(b) * weight;
	}
	if (count == 0)
		return;
	s->life_numerator = every_weight ? weighted : shares;
	s->life_denominator =
	    every_weight ? 100 * weights : count * share_scale;
	s->life = {true,
	    charge_percent(s->life_numerator, s->life_denominator)};
}

// The remaining amount over the rate, summed over the present batteries
// whose amount and rate are both known: a battery that cannot say either
// would otherwise count as empty, or its rate stretch the others' time.
// Failing that, the discharging batteries' own estimates, when each has
// one.
sensor_value linux_battery_time()
{
	pool p = choose_pool();
	int64_t sum_now = 0, sum_rate = 0, seconds = 0;
	bool discharging = false, every_estimate = true;

	for (size_t i = 0; i < battery_count(); i++) {
		battery *b = supply_battery(i);
		if (!is_present(b))
			continue;
		bool draining = is_discharging(b);
		discharging |= draining;
		int64_t n = p.convert(b, now(b)), r = p.convert(b, rate(b));
		if (n >= 0 && r >= 0) {
			sum_now += n;
			sum_rate += draining ? r : 0;
		}
		if (!draining)
			continue;
		if (battery_number(b, TIME_TO_EMPTY_NOW) >= 0)
			seconds += battery_number(b, TIME_TO_EMPTY_NOW);
		else
			every_estimate = false;
	}
	if (!discharging)
		return {};
	if (sum_rate > 0)
		return {true, sum_now * 3600 / sum_rate};
	return {every_estimate, seconds};
}

int32_t linux_battery_state()
{
	int32_t state = 0;
	bool any_present = false;

	for (size_t i = 0; i < battery_count(); i++) {
		battery *b = supply_battery(i);
		if (is_present(b)) {
			any_present = true;
			state |= state_bits(b);
		}
	}
	return any_present ? state : battery_not_present;
}

void linux_battery_unit(size_t unit, battery_unit *u, bool extended)
{
	battery *b = supply_battery(unit);
	bool charge = reports_charge(b);

	*u = battery_unit{};
	u->state = {true, battery_state(b)};
	u->stage = u->state.value == battery_not_present
	    ? battery_stage::not_present
	    : battery_stage::complete;
	u->in_charge = charge;
	// Linux lists no primary cells.
	u->primary = false;
	u->design_capacity = non_negative(battery_number(b,
	    charge ? CHARGE_FULL_DESIGN : ENERGY_FULL_DESIGN));
	u->last_full_capacity = non_negative(full(b));
	u->design_voltage = non_negative(battery_number(b, VOLTAGE_MIN_DESIGN));
	u->warn_capacity = non_negative(battery_number(b, ALARM));
	copy_text(u->model, b, MODEL_NAME);
	copy_text(u->serial, b, SERIAL_NUMBER);
	copy_text(u->type, b, TECHNOLOGY);
	copy_text(u->oem, b, MANUFACTURER);
	u->percent = non_negative(battery_percent(b));
	u->percent_from_amounts = u->percent.known && from_amounts(b);
	u->time = non_negative(battery_seconds(b));
	u->rate = u->status_rate = non_negative(rate(b));
	u->status_state = u->state;
	u->voltage = non_negative(battery_number(b, VOLTAGE_NOW));
	u->remaining_capacity = non_negative(now(b));
	// Asked only while charging, when it can say something.
	if (battery_text_is(b, STATUS, "Charging"))
		u->time_to_full =
		    non_negative(battery_number(b, TIME_TO_FULL_NOW));
	if (extended && u->stage != battery_stage::not_present)
		read_wear(b, u);
}
