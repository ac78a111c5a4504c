#include <stdlib.h>
#include <string.h>

#include "power_supply.h"
#include "supply_list.h"

namespace {

battery *unit_battery(int unit)
{
	return unit < 0 ? nullptr : battery_unit(static_cast<size_t>(unit));
}

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

int32_t clamp_percent(int64_t percent)
{
	return static_cast<int32_t>(percent < 0 ? 0
		: percent > 100			? 100
						: percent);
}

int32_t clamp_int32(int64_t value)
{
	return static_cast<int32_t>(value > INT32_MAX ? INT32_MAX : value);
}

// A value as the record gives it: the sysfs micro-units in milli-units,
// or -1 when it is not known.
uint32_t milli(int64_t micro)
{
	return static_cast<uint32_t>(micro < 0 ? -1 : micro / 1000);
}

int32_t battery_percent(battery *b)
{
	if (now(b) >= 0 && full(b) > 0)
		return clamp_percent(100 * now(b) / full(b));
	if (battery_known(b, CAPACITY))
		return clamp_percent(battery_number(b, CAPACITY));
	return -1;
}

int32_t battery_minutes(battery *b)
{
	if (!is_discharging(b))
		return -1;
	if (now(b) >= 0 && rate(b) > 0)
		return clamp_int32(now(b) * 60 / rate(b));
	if (battery_number(b, TIME_TO_EMPTY_NOW) >= 0)
		return clamp_int32(battery_number(b, TIME_TO_EMPTY_NOW) / 60);
	return -1;
}

int32_t state_bits(battery *b)
{
	int32_t state = 0;

	if (is_discharging(b))
		state |= BATT_STAT_DISCHARGING;
	if (battery_text_is(b, STATUS, "Charging"))
		state |= BATT_STAT_CHARGING;
	if (battery_text_is(b, CAPACITY_LEVEL, "Critical"))
		state |= BATT_STAT_CRITICAL;
	return state;
}

int32_t battery_state(battery *b)
{
	return is_present(b) ? state_bits(b) : BATT_STAT_NOT_PRESENT;
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
		battery *b = battery_unit(i);
		if (is_present(b) && !reports_charge(b) && full(b) > 0)
			return pool{true};
	}
	return pool{false};
}

void copy_text(char (&field)[ACPI_CMBAT_MAXSTRLEN], battery *b, text_attr attr)
{
	memset(field, 0, sizeof field);
	memcpy(field, battery_text(b, attr), strlen(battery_text(b, attr)));
}

} // namespace

int linux_battery_count()
{
	return static_cast<int>(battery_count());
}

bool linux_ac_online(int32_t *online)
{
	*online = mains_online();
	return mains_present();
}

bool linux_battery_life(int32_t *percent)
{
	pool p = choose_pool();
	int64_t sum_now = 0, sum_full = 0;
	int64_t capacity_sum = 0, capacity_count = 0;

	for (size_t i = 0; i < battery_count(); i++) {
		battery *b = battery_unit(i);
		if (!is_present(b))
			continue;
		int64_t n = p.convert(b, now(b)), f = p.convert(b, full(b));
		if (n >= 0 && f > 0) {
			sum_now += n;
			sum_full += f;
		}
		if (battery_known(b, CAPACITY)) {
			capacity_sum += battery_number(b, CAPACITY);
			capacity_count++;
		}
	}
	if (sum_full > 0)
		*percent = clamp_percent(100 * sum_now / sum_full);
	else if (capacity_count > 0)
		*percent = clamp_percent(capacity_sum / capacity_count);
	else
		return false;
	return true;
}

int32_t linux_battery_time()
{
	pool p = choose_pool();
	int64_t sum_now = 0, sum_rate = 0, seconds = 0;
	bool discharging = false, have_seconds = false;

	for (size_t i = 0; i < battery_count(); i++) {
		battery *b = battery_unit(i);
		if (!is_present(b))
			continue;
		int64_t n = p.convert(b, now(b));
		sum_now += n > 0 ? n : 0;
		if (!is_discharging(b))
			continue;
		discharging = true;
		int64_t r = p.convert(b, rate(b));
		sum_rate += r > 0 ? r : 0;
		if (battery_number(b, TIME_TO_EMPTY_NOW) >= 0) {
			seconds += battery_number(b, TIME_TO_EMPTY_NOW);
			have_seconds = true;
		}
	}
	if (!discharging)
		return -1;
	if (sum_rate > 0)
		return clamp_int32(sum_now * 60 / sum_rate);
	return have_seconds ? clamp_int32(seconds / 60) : -1;
}

int32_t linux_battery_state()
{
	int32_t state = 0;
	bool any_present = false;

	for (size_t i = 0; i < battery_count(); i++) {
		battery *b = battery_unit(i);
		if (is_present(b)) {
			any_present = true;
			state |= state_bits(b);
		}
	}
	return any_present ? state : BATT_STAT_NOT_PRESENT;
}

bool linux_battery_battinfo(int unit, acpi_battinfo *info)
{
	battery *b = unit_battery(unit);
	if (b == nullptr)
		return false;
	info->cap = battery_percent(b);
	info->min = battery_minutes(b);
	info->state = battery_state(b);
	info->rate = static_cast<int>(milli(rate(b)));
	return true;
}

bool linux_battery_bif(int unit, acpi_bif *bif)
{
	battery *b = unit_battery(unit);
	if (b == nullptr)
		return false;
	bool charge = reports_charge(b);
	bif->units = charge ? 1 : 0;
	bif->dcap = milli(battery_number(b,
	    charge ? CHARGE_FULL_DESIGN : ENERGY_FULL_DESIGN));
	bif->lfcap = milli(full(b));
	// Linux lists no primary cells.
	bif->btech = 1;
	bif->dvol = milli(battery_number(b, VOLTAGE_MIN_DESIGN));
	bif->wcap = milli(battery_number(b, ALARM));
	bif->lcap = bif->gra1 = bif->gra2 = static_cast<uint32_t>(-1);
	copy_text(bif->model, b, MODEL_NAME);
	copy_text(bif->serial, b, SERIAL_NUMBER);
	copy_text(bif->type, b, TECHNOLOGY);
	copy_text(bif->oeminfo, b, MANUFACTURER);
	return true;
}

bool linux_battery_bst(int unit, acpi_bst *bst)
{
	battery *b = unit_battery(unit);
	if (b == nullptr)
		return false;
	bst->state = static_cast<uint32_t>(battery_state(b));
	bst->rate = milli(rate(b));
	bst->cap = milli(now(b));
	bst->volt = milli(battery_number(b, VOLTAGE_NOW));
	return true;
}
