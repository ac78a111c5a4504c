// SPDX-License-Identifier: BSD-2-Clause
// What the machine outputs show of each kind of thing: one table per kind
// (CPUs, packages, dies, zones, trip points, power domains, the AC line,
// the battery summary, batteries here; power supplies and cooling devices
// in devices.cpp; the sensor kinds in sensors/fields.h), one row
// per value.  The metrics and the JSON document walk the rows; so do the
// sections that -x adds.  A new value is a row in tables.cpp and a member
// of the record that its reader fills.
//
// A row's metric family follows from its JSON key: "pelko_", the table's
// entity, "_", the key, and "_total" for a counter.  The few older names
// that do not follow the rule are spelt out in their rows: the trip
// points', the battery count's and each sensor kind's value
// ("pelko_sensor_fan_rpm", where the rule would name the kind twice).  An
// info row's family follows from its key ("info", "status_info") like any
// other; its labels are the text rows before it, back to the info row
// before.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

#include "readings/readings.h"

// The types of a metric family that the rows name.
enum class metric_type : uint8_t { gauge, counter };
constexpr metric_type gauge = metric_type::gauge,
		      counter = metric_type::counter;

// A value as a row's accessor gives it, in the source's units: a reading
// of the record as it is, or worked out from it.
struct value {
	constexpr value(bool is_known, int64_t n, int64_t p = 1,
	    const char *t = nullptr, size_t s = 0)
	    : known(is_known), number(n), per(p), text(t), size(s)
	{
	}
	constexpr value(const sensor_value &v) : known(v.known), number(v.value)
	{
	}
	bool known;
	int64_t number;
	int64_t per = 1;	    // a fraction's denominator
	const char *text = nullptr; // a text row's string, of at most size
	size_t size = 0;	    // bytes
};

// How the metrics and the JSON document write a value.
enum class shape : uint8_t {
	number,	  // number × the scale, exactly
	celsius,  // a temperature in the source's scale, in degrees Celsius
	boolean,  // 0 or 1 in the metrics, false or true in JSON
	fraction, // number / per, to four decimals
	quotient, // number / per exactly, per a power of ten or of two
	text,	  // a string in JSON, a label of the info sample in the metrics
	info,	  // the metrics' info sample: the text rows as its labels
};

// A source's unit in an output unit: number × multiplier / divisor, the
// multiplier one of the source's units (1 without one), the divisor a power
// of ten.  Two bytes, not a member pointer and a divisor: there is one in
// every row and every line.
class scale {
	uint8_t unit = 0; // 1 + the multiplier's place among the units
	uint8_t tens = 0; // the divisor's power of ten

      public:
	constexpr scale(int64_t source_units::*m, int64_t divisor)
	    : unit(m == &source_units::micro_per_amount		? 1
		      : m == &source_units::seconds_per_time	? 2
		      : m == &source_units::hertz_per_frequency ? 3
								: 0)
	{
		for (; divisor > 1; divisor /= 10)
			tens++;
	}
	int64_t multiplier(const source_units &s) const
	{
		return unit == 0 ? 1
		    : unit == 1	 ? s.micro_per_amount
		    : unit == 2	 ? s.seconds_per_time
				 : s.hertz_per_frequency;
	}
	int64_t divisor() const;
};

// How -x writes a value.
enum class shown : uint8_t {
	none,	       // not at all
	celsius,       // in the scale the options chose, to a tenth
	number,	       // number × the scale, exactly, then the unit
	yes_no,	       // "yes" or "no"
	percent,       // number / per in percent, to a tenth
	hours_minutes, // seconds as H:MM
	tenths,	       // number × the scale to a tenth, then the unit
	text,	       // a text row's string, as it may be shown
	active_level,  // active trip point N as "activeN", or "none" for -1
};

struct line {
	// As as, label, in, unit, always, its members smallest last.
	constexpr line(shown how = shown::none, const char *text = nullptr,
	    scale by = {nullptr, 1}, const char *units = nullptr,
	    bool even_unknown = false)
	    : label(text), unit(units), in(by), as(how), always(even_unknown)
	{
	}
	const char *label; // after the entity's: "CPU0 critical:"
	const char *unit;
	scale in;
	shown as;
	bool always; // written, as "unknown", when not known
};

// Where the metrics put a row's family among the others, so that their
// order stays as their readers know it: the report's readings, then limits
// and counters, then the rest after the sensors.
enum class part : uint8_t { report, limits, extra };

// A function of one entity of any kind, called with a pointer to it, so
// that one walker serves every table: made from a lambda that takes the
// entity by reference, which the call converts to, and returns what
// converts to R.
template <typename R, typename... A>
class of_entity {
	template <typename L, typename E, typename T>
	static E kind(T (L::*)(const E &, A...) const);

	template <typename L>
	static R call(const void *e, A... a)
	{
		using E = decltype(kind(&L::operator()));
		return L{}(*static_cast<const E *>(e), a...);
	}

	R (*f)(const void *, A...) = nullptr;

      public:
	constexpr of_entity(std::nullptr_t) {}
	template <typename L>
	requires std::is_class_v<L>
	constexpr of_entity(L) : f(&call<L>) {}
	explicit operator bool() const { return f != nullptr; }
	R operator()(const void *e, A... a) const { return f(e, a...); }
};

struct row {
	const char *key;    // in JSON; nullptr: in the metrics alone
	const char *family; // nullptr: by the rule; "": none
	metric_type type;
	shape as;
	scale in;
	part in_metrics;
	line x;
	const char *help;
	of_entity<value, const readings &> get;
	// The family's name, made at its first use; nullptr until then.  A
	// pointer, not the name itself: every row's room for a name would
	// weigh on the binary's initialised data.
	mutable const char *name = nullptr;
};

// A line's label as it is made, by hand: snprintf(3) would cost more than
// the rest of the line.
struct label_text {
	char s[128];
	size_t n = 0;
	label_text &add(const char *text);
	label_text &add(int number);
};

// A table of any kind of entity, as the walkers take it.
struct entity_table {
	const char *entity; // "cpu": the families' "pelko_cpu_"
	// The metrics' labels (cpu="0"), the JSON members that name the
	// entity ("cpu":0) and its name in -x ("CPU0"); none: nullptr.
	of_entity<void> labels;
	of_entity<void> identity;
	of_entity<void, label_text *> name;
	std::span<const row> rows;
};

// A table of the entities E, which its users give it.
template <typename E>
struct table : entity_table {
};

// Whether a row has a family of its own, and a JSON member.
inline bool has_family(const row &w)
{
	return w.as != shape::text &&
	    (w.family == nullptr || w.family[0] != '\0');
}

inline bool has_member(const row &w)
{
	return w.key != nullptr && w.as != shape::info;
}

// A callable by reference, of one argument, so that one walker serves
// every kind of entity: a visit, which takes each entity by pointer, and
// what calls a visit for each entity of a table, in the outputs' order.
template <typename A>
class callback {
	const void *f;
	void (*call)(const void *, A);

      public:
	template <typename F>
	callback(const F &fn)
	    : f(&fn),
	      call([](const void *g, A a) { (*static_cast<const F *>(g))(a); })
	{
	}
	void operator()(A a) const { call(f, a); }
	template <typename E>
	requires std::is_same_v<A, const void *>
	void operator()(const E &e) const { call(f, &e); }
};

using visit = callback<const void *>;
using each_entity = callback<visit>;

// The entities that are parts of others, and a battery unit by number.
struct die_entry {
	const package_reading *package;
	int die;
};

struct trip_entry {
	const zone_reading *zone;
	const char *type;
	const sensor_value *trip;
};

struct battery_entry {
	int unit;
	const battery_unit *u;
};

extern const table<cpu_reading> cpu_table;
extern const table<package_reading> package_table;
extern const table<die_entry> die_table;
extern const table<zone_reading> zone_table;
extern const table<trip_entry> trip_table;
extern const table<readings> power_table;
extern const table<readings> summary_table;
extern const table<battery_entry> battery_table;
extern const table<power_domain_reading> power_domain_table;
extern const table<supply_reading> supply_table;
extern const table<cooling_reading> cooling_table;

// Calls f for each entity of a kind, in the order the outputs list them:
// each of a list (the CPUs, the packages, the zones), each die of a
// package, each battery unit read.
template <typename List, typename F>
void each(const List &list, F f)
{
	for (const auto &e : list)
		f(e);
}

template <typename F>
void each_die(const package_reading &p, F f)
{
	for (int d = 0; d < p.dies; d++)
		f(die_entry{&p, d});
}

template <typename F>
void each_battery(const readings &r, F f)
{
	for (int unit = 0; unit < read_battery_units(r.batteries); unit++)
		f(battery_entry{unit, &r.batteries.unit[unit]});
}

// Calls f for each trip point of the zone that is known.
template <typename F>
void each_trip(const zone_reading &z, F f)
{
	each_trip_point(z.limits, [&](const char *type, const sensor_value &t) {
		if (t.known)
			f(trip_entry{&z, type, &t});
	});
}

// The row's family name, its own or by the rule, kept in the row from its
// first use while the storage for names made by the rule lasts.
const char *make_family(const entity_table &t, const row &w);

inline const char *family_of(const entity_table &t, const row &w)
{
	return w.name != nullptr ? w.name : make_family(t, w);
}

// A known value as the metrics and JSON write it, both alike: number,
// celsius and fraction.
void print_value(const readings &r, shape as, scale in, const value &v);

// A known value as -x shows it, without its unit: temperatures in the
// scale the options chose.
void print_shown(const readings &r, const line &x, const value &v);

// One -x line, "\tCPU0 critical:\t\t\t100.0\t\t\t\tC"; false, writing
// nothing, when the value is unknown and the line is not always there.
bool print_line(const readings &r, label_text name, const line &x,
    const value &v);

// The -x lines of an entity from its table's rows (of one part of the
// metrics, or all of them): first those always written, then those known.
void print_rows(const readings &r, const entity_table &t, const void *e,
    const part *only);

// Whether an entity has a known value that -x shows.
bool any_row_line(const readings &r, const entity_table &t, const void *e,
    const part *only);

template <typename E>
void print_lines(const readings &r, const table<E> &t, const E &e,
    const part *only = nullptr)
{
	print_rows(r, t, &e, only);
}

template <typename E>
bool any_line(const readings &r, const table<E> &t, const E &e,
    const part *only = nullptr)
{
	return any_row_line(r, t, &e, only);
}
