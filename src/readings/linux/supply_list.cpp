// SPDX-License-Identifier: BSD-2-Clause
#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include <iterator>

#include "lists/grow_list.h"
#include "supply_list.h"
#include "sysfs_list.h"

struct battery {
	enum class reading : uint8_t { unread, missing, known };

	char name[256];
	size_t supply; // its files, in supplies
	reading number_state[max_battery_numbers];
	int32_t number[max_battery_numbers];
	reading text_state[max_battery_texts];
	// Cut to fit a record's 32-byte string with its NUL.
	char text[max_battery_texts][battery_string_size];
};

namespace {

using reading = battery::reading;

grow_list<battery> batteries;
bool have_mains_online;
bool have_mains_offline;

// The properties of every supply that pelko uses, beside a battery's.
constexpr const char *supply_keys[] = {"type", "online", "scope", "usb_type",
    "current_max", "voltage_now", "current_now"};

// The properties that pelko uses, each once: the battery's numbers that
// are properties and its texts, then the supply's.  The keys in capitals,
// as the kernel writes them, each in the first free slot from a hash of
// its length and two letters in either case: one key, mostly, compared a
// line of a uevent, and at once.
constexpr size_t property_count =
    max_battery_numbers + max_battery_texts + std::size(supply_keys);
constexpr size_t slots = 128, longest = 32;
static_assert(property_count < slots);

struct key_list {
	const battery_attributes *attributes;
	size_t count;
	const char *key[property_count];
	int16_t slot[slots];
	char capitals[property_count][longest];
	// Where each attribute stands among the keys; -1 not there.
	int number[max_battery_numbers];
	int text[max_battery_texts];
	int type, online, scope, usb_type, current_max, voltage, current;
};

key_list keys;

size_t key_hash(const char *k, size_t n)
{
	auto lower = [](char c) {
		return size_t{static_cast<uint8_t>(c | 0x20)};
	};
	return (n + lower(k[n / 2]) * 3 + lower(k[n - 1]) * 5) % slots;
}

// Whether the uevent key of length bytes is k, in ASCII's either case,
// without the locale.
__attribute__((noinline)) bool same_key(const char *key, const char *k,
    size_t length)
{
	for (size_t i = 0; i < length; i++) {
		char a = key[i];
		if (a >= 'A' && a <= 'Z')
			a = static_cast<char>(a - 'A' + 'a');
		if (a != k[i] || k[i] == '\0')
			return false;
	}
	return k[length] == '\0';
}

// The key of length bytes among the property keys: in capitals, else
// letter by letter in either case; its index, or -1.
[[gnu::always_inline]] inline int find_key(const char *key, size_t n)
{
	for (size_t at = key_hash(key, n); keys.slot[at] >= 0;
	     at = (at + 1) % slots) {
		int i = keys.slot[at];
		if (n < longest && keys.capitals[i][n] == '\0' &&
		    memcmp(key, keys.capitals[i], n) == 0)
			return i;
		if (same_key(key, keys.key[i], n))
			return i;
	}
	return -1;
}

// A supply's properties, from its uevent file: "POWER_SUPPLY_KEY=value"
// lines, one file read where each attribute would take one of its own,
// and parsed once: where each property's value stands in the text.
struct supply_files;

struct properties {
	bool read; // the uevent file was read; otherwise the files are
	supply_files *files;
	char text[sysfs_max_file];
	const char *value[property_count]; // nullptr: not in the uevent
	size_t length[property_count];
};

void parse_properties(properties *p)
{
	static const char prefix[] = "POWER_SUPPLY_";
	memset(p->value, 0, sizeof p->value);
	for (const char *line = p->text; *line != '\0';) {
		const char *end = strchrnul(line, '\n');
		const char *equals = static_cast<const char *>(
		    memchr(line, '=', static_cast<size_t>(end - line)));
		const char *key = line + sizeof prefix - 1;
		if (equals != nullptr && equals > key &&
		    memcmp(line, prefix, sizeof prefix - 1) == 0) {
			int i =
			    find_key(key, static_cast<size_t>(equals - key));
			// Of two lines for one property, the first holds.
			if (i >= 0 && p->value[i] == nullptr) {
				p->value[i] = equals + 1;
				p->length[i] =
				    static_cast<size_t>(end - equals - 1);
			}
		}
		line = *end == '\0' ? end : end + 1;
	}
}

// The keys for the battery attributes a, made at the first listing: where
// each attribute stands among them is worked out once, not at each read.
void make_keys(const battery_attributes &a)
{
	int *const supply[] = {&keys.type, &keys.online, &keys.scope,
	    &keys.usb_type, &keys.current_max, &keys.voltage, &keys.current};
	auto key_of = [](const char *k) {
		size_t n = strlen(k);
		int i = find_key(k, n);
		if (i >= 0)
			return i;
		i = static_cast<int>(keys.count++);
		keys.key[i] = k;
		for (size_t c = 0; c < longest; c++)
			keys.capitals[i][c] = c >= n || c == longest - 1 ? '\0'
			    : k[c] >= 'a' && k[c] <= 'z'
			    ? static_cast<char>(k[c] - 'a' + 'A')
			    : k[c];
		size_t at = key_hash(k, n);
		while (keys.slot[at] >= 0)
			at = (at + 1) % slots;
		keys.slot[at] = static_cast<int16_t>(i);
		return i;
	};

	keys.count = 0;
	memset(keys.slot, -1, sizeof keys.slot);
	for (size_t i = 0; i < a.in_uevent; i++)
		keys.number[i] = key_of(a.numbers[i]);
	for (size_t i = 0; i < a.text_count; i++)
		keys.text[i] = key_of(a.texts[i]);
	for (size_t i = 0; i < std::size(supply); i++)
		*supply[i] = key_of(supply_keys[i]);
	keys.attributes = &a;
}

// Each supply's files, by the supply's name, kept from one listing to
// the next: its uevent, and the attribute files it was found without.  A
// supply's attributes are its driver's, and come with the driver, which
// a device event announces: one found missing is not looked for again
// while class/power_supply keeps its version.
// Room for every attribute read.
constexpr int max_missing =
    int{max_battery_numbers} + int{max_battery_texts} + 4;

struct supply_files {
	char name[sizeof battery::name];
	sysfs_file uevent;
	int missing_count;
	const char *missing[max_missing]; // their names, never freed
};

grow_list<supply_files> supplies, supplies_before;
sysfs_stamp supplies_stamp;

// The supply's attribute file, unless it was found missing.
bool read_attribute(supply_files *s, const char *attribute, char *text,
    size_t size, sysfs_file *file = nullptr)
{
	for (int i = 0; i < s->missing_count; i++)
		if (strcmp(s->missing[i], attribute) == 0)
			return false;
	errno = 0;
	if (sysfs_read_text(file, text, size, "class/power_supply/%s/%s",
		s->name, attribute))
		return true;
	// ENOTDIR: an entry that is no folder.
	if ((errno == ENOENT || errno == ENOTDIR) &&
	    s->missing_count < max_missing)
		s->missing[s->missing_count++] = attribute;
	return false;
}

// Copies the value of the attribute's property, cut to size, or reads the
// attribute's own file when the uevent could not be read.
bool property(const properties &p, int key, const char *attribute, char *value,
    size_t size)
{
	if (!p.read)
		return read_attribute(p.files, attribute, value, size);
	if (key < 0 || p.value[key] == nullptr)
		return false;
	size_t used = p.length[key] < size ? p.length[key] : size - 1;
	memcpy(value, p.value[key], used);
	value[used] = '\0';
	return used > 0;
}

bool number_property(const properties &p, int key, const char *attribute,
    int32_t *value)
{
	char text[32];

	return property(p, key, attribute, text, sizeof text) &&
	    sysfs_parse_number(text, value);
}

// A battery's attributes from its properties.  The numbers after the
// first in_uevent are attributes of the drivers, never properties: they
// are read from their own files when they are needed.
void take_properties(battery *b, const properties &p)
{
	const battery_attributes &a = *keys.attributes;

	for (size_t attr = 0; attr < a.in_uevent; attr++) {
		bool ok = number_property(p, keys.number[attr], a.numbers[attr],
		    &b->number[attr]);
		b->number_state[attr] = ok ? reading::known : reading::missing;
	}
	for (size_t attr = 0; attr < a.text_count; attr++) {
		bool ok = property(p, keys.text[attr], a.texts[attr],
		    b->text[attr], sizeof b->text[attr]);
		b->text_state[attr] = ok ? reading::known : reading::missing;
		if (!ok)
			b->text[attr][0] = '\0';
	}
}

// The supply's files as the last listing had them, where it had them;
// what was found missing is forgotten once the supplies changed.
supply_files *files_of(const char *name, bool same)
{
	supply_files *f = supplies.add();
	memcpy(f->name, name, strlen(name) + 1);
	for (const supply_files &before : supplies_before) {
		if (strcmp(before.name, name) != 0)
			continue;
		f->uevent = before.uevent;
		if (same) {
			f->missing_count = before.missing_count;
			memcpy(f->missing, before.missing, sizeof f->missing);
		}
	}
	return f;
}

// The one of a list of types in brackets, as the kernel marks the type
// that a USB port has taken: "C [PD] PD_PPS" is "PD".  "" when none is.
void bracketed(const char *text, char (&type)[supply_text_size])
{
	const char *open = strchr(text, '[');
	const char *close = open != nullptr ? strchr(open, ']') : nullptr;

	type[0] = '\0';
	if (close == nullptr ||
	    static_cast<size_t>(close - open - 1) >= sizeof type)
		return;
	size_t length = static_cast<size_t>(close - open - 1);
	memcpy(type, open + 1, length);
	type[length] = '\0';
}

sensor_value number_value(const properties &p, int key, const char *attribute)
{
	int32_t value = 0;
	bool known = number_property(p, key, attribute, &value);
	return {known, value};
}

// A supply that is no battery, with what it says of itself.
void take_supply(const char *name, const char *type, const properties &p,
    grow_list<supply_reading> *others)
{
	char usb_type[256];
	supply_reading *s = others->add();
	size_t length = strnlen(name, sizeof s->name - 1);

	memcpy(s->name, name, length);
	memcpy(s->type, type, strlen(type) + 1);
	if (property(p, keys.usb_type, "usb_type", usb_type, sizeof usb_type))
		bracketed(usb_type, s->usb_type);
	s->online = number_value(p, keys.online, "online");
	s->voltage = number_value(p, keys.voltage, "voltage_now");
	s->current = number_value(p, keys.current, "current_now");
	s->current_max = number_value(p, keys.current_max, "current_max");
}

// Reads the properties of every supply; keeps the system batteries and
// notes the mains; with others, keeps every supply that is no battery
// there.
void add_supply(const char *name, bool same, grow_list<supply_reading> *others)
{
	static properties p;
	char type[32];
	char scope[32];

	if (strlen(name) >= sizeof battery::name)
		return;
	p.files = files_of(name, same);
	p.read = read_attribute(p.files, "uevent", p.text, sizeof p.text,
	    &p.files->uevent);
	if (p.read)
		parse_properties(&p);
	// Older kernels leave the type out of the uevent.
	if (!property(p, keys.type, "type", type, sizeof type) &&
	    (!p.read || !read_attribute(p.files, "type", type, sizeof type)))
		return;
	if (others != nullptr && strcmp(type, "Battery") != 0)
		take_supply(name, type, p, others);
	if (strcmp(type, "Mains") == 0 || strcmp(type, "USB") == 0) {
		sensor_value online = number_value(p, keys.online, "online");
		// An online that cannot be read says neither.
		have_mains_online |= online.known && online.value == 1;
		have_mains_offline |= online.known && online.value == 0;
		return;
	}
	if (strcmp(type, "Battery") != 0)
		return;
	// Mice, keyboards and pens say "Device": not the machine's battery.
	if (property(p, keys.scope, "scope", scope, sizeof scope) &&
	    strcmp(scope, "Device") == 0)
		return;
	battery *b = batteries.add();
	memcpy(b->name, name, strlen(name) + 1);
	b->supply = supplies.count - 1;
	if (p.read)
		take_properties(b, p);
}

// Batteries and supplies alike, whose names come first.
template <typename T>
int by_name(const void *a, const void *b)
{
	return strverscmp(static_cast<const T *>(a)->name,
	    static_cast<const T *>(b)->name);
}

} // namespace

bool list_power_supplies(const battery_attributes &a,
    grow_list<supply_reading> *others)
{
	if (keys.attributes != &a)
		make_keys(a);
	batteries.clear();
	if (others != nullptr)
		others->clear();
	supplies.swap(supplies_before);
	supplies.clear();
	have_mains_online = have_mains_offline = false;
	bool same = sysfs_restamp(&supplies_stamp, "class/power_supply") ==
	    sysfs_change::none;
	if (!sysfs_list("class/power_supply",
		[&](const char *name) { add_supply(name, same, others); }))
		return false;
	batteries.sort(by_name<battery>);
	if (others != nullptr)
		others->sort(by_name<supply_reading>);
	return true;
}

size_t battery_count()
{
	return batteries.count;
}

battery *supply_battery(size_t unit)
{
	return unit < batteries.count ? &batteries.items[unit] : nullptr;
}

int64_t battery_number(battery *b, int attr)
{
	if (b->number_state[attr] == reading::unread) {
		char text[32];
		bool ok =
		    read_attribute(&supplies.items[b->supply],
			keys.attributes->numbers[attr], text, sizeof text) &&
		    sysfs_parse_number(text, &b->number[attr]);
		b->number_state[attr] = ok ? reading::known : reading::missing;
	}
	return b->number_state[attr] == reading::known ? b->number[attr] : -1;
}

bool battery_known(battery *b, int attr)
{
	battery_number(b, attr);
	return b->number_state[attr] == reading::known;
}

const char *battery_text(battery *b, int attr)
{
	if (b->text_state[attr] == reading::unread) {
		bool ok = read_attribute(&supplies.items[b->supply],
		    keys.attributes->texts[attr], b->text[attr],
		    sizeof b->text[attr]);
		b->text_state[attr] = ok ? reading::known : reading::missing;
		if (!ok)
			b->text[attr][0] = '\0';
	}
	return b->text[attr];
}

bool battery_text_is(battery *b, int attr, const char *value)
{
	return strcmp(battery_text(b, attr), value) == 0;
}

sensor_value mains_online()
{
	return {have_mains_online || have_mains_offline, have_mains_online};
}
