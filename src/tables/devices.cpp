// SPDX-License-Identifier: BSD-2-Clause
// The tables of the power supplies that are no batteries and of the
// cooling devices, in the order of their JSON objects.
#include "format/format.h"
#include "format/print.h"
#include "table.h"

// Constant-initialized, as the other tables.
// NOLINTBEGIN(cert-err58-cpp)

namespace {

constexpr scale one = {nullptr, 1};
constexpr scale amount = {&source_units::micro_per_amount, 1000000};
// Volts times amperes, each in micro-units: only Linux names supplies.
constexpr scale micro_squared = {nullptr, 1000000000000};

using any = const readings &;
using supply = const supply_reading &;
using cooling = const cooling_reading &;

template <size_t N>
value text(const char (&field)[N])
{
	return {field[0] != '\0', 0, 1, field, N};
}

const row supply_rows[] = {
    {"type", "", gauge, shape::text, one, part::extra, {shown::text, "type"},
	nullptr, [](supply s, any) { return text(s.type); }},
    {"online", nullptr, gauge, shape::boolean, one, part::extra,
	{shown::yes_no, "online"},
	"Whether the power supply is online: its online file on Linux.",
	[](supply s, any) -> value {
		return {s.online.known, s.online.value > 0};
	}},
    {"usb_type", "", gauge, shape::text, one, part::extra,
	{shown::text, "USB type"}, nullptr,
	[](supply s, any) { return text(s.usb_type); }},
    {"voltage_volts", nullptr, gauge, shape::number, amount, part::extra,
	{shown::number, "voltage", amount, "V"},
	"Present voltage of the power supply: voltage_now on Linux.",
	[](supply s, any) { return s.voltage; }},
    {"current_amperes", nullptr, gauge, shape::number, amount, part::extra,
	{shown::number, "current", amount, "A"},
	"Present current of the power supply: current_now on Linux.",
	[](supply s, any) { return s.current; }},
    {"current_max_amperes", nullptr, gauge, shape::number, amount, part::extra,
	{shown::number, "current limit", amount, "A"},
	"Most current the power supply gives: current_max on Linux.",
	[](supply s, any) { return s.current_max; }},
    {"power_watts", nullptr, gauge, shape::number, micro_squared, part::extra,
	{shown::number, "power", micro_squared, "W"},
	"Present power of the power supply, its voltage times its current, "
	"where both are known.",
	[](supply s, any) -> value {
		return {s.voltage.known && s.current.known,
		    s.voltage.value * s.current.value};
	}},
    {"info", nullptr, gauge, shape::info, one, part::extra, {},
	"The power supply's type and the USB type it took: type and the "
	"bracketed usb_type on Linux.",
	[](supply, any) { return value(true, 1); }},
};

const row cooling_rows[] = {
    {"type", "", gauge, shape::text, one, part::extra, {shown::text, "type"},
	nullptr, [](cooling c, any) { return text(c.type); }},
    {"state", nullptr, gauge, shape::number, one, part::extra,
	{shown::number, "state"},
	"Present state of the cooling device, from 0 for no cooling up to its "
	"maximum state: cur_state on Linux.",
	[](cooling c, any) { return c.state; }},
    {"max_state", nullptr, gauge, shape::number, one, part::extra,
	{shown::number, "max state"},
	"Highest state of the cooling device: max_state on Linux.",
	[](cooling c, any) { return c.max_state; }},
    {"info", nullptr, gauge, shape::info, one, part::extra, {},
	"The cooling device's type: cooling_deviceN/type on Linux.",
	[](cooling c, any) { return value(c.type[0] != '\0', 1); }},
};

} // namespace

const table<supply_reading> supply_table = {"power_supply",
    [](const supply_reading &s) {
	    report_fputs("supply=");
	    print_quoted(s.name, sizeof s.name);
    },
    [](const supply_reading &s) {
	    report_fputs("\"supply\":");
	    print_quoted(s.name, sizeof s.name);
    },
    [](const supply_reading &s, label_text *text) {
	    char shown[supply_name_size + 1];
	    printable_string(s.name, shown);
	    text->add("supply ").add(shown);
    },
    supply_rows};

const table<cooling_reading> cooling_table = {"cooling_device",
    [](const cooling_reading &c) {
	    report_print("cooling_device=\"%d\"", c.number);
    },
    [](const cooling_reading &c) {
	    report_print("\"cooling_device\":%d", c.number);
    },
    [](const cooling_reading &c, label_text *text) {
	    text->add("cooling_device").add(c.number);
    },
    cooling_rows};

// NOLINTEND(cert-err58-cpp)
