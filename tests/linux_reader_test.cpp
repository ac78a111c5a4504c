// SPDX-License-Identifier: BSD-2-Clause
// The Linux reader in-process, against the fixture trees: the record of
// one report in sysfs's own units (millidegrees, micro-units, seconds).

#include <sys/stat.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "readings/collect.h"
#include "readings/linux/sysfs_list.h"
#include "readings/power.h"

namespace {

const std::string fixtures = PELKO_FIXTURES "/sysfs/";
constexpr int64_t missing = INT64_MIN;

// A value of the record, -1 when unknown.
int64_t or_unknown(sensor_value v)
{
	return v.known ? v.value : -1;
}

// The whole record of one report on the tree at root; with extended,
// what -x, -p and -j read too.
readings &read_tree(const std::string &root, bool extended = false)
{
	static readings r;
	r.extended = extended;
	r.cpus.cpu.clear();
	r.zones.zone.clear();
	sysfs_set_root(root.c_str());
	begin_readings(&r);
	collect_cpus(&r);
	collect_zones(&r);
	collect_summary(&r);
	collect_battery_units(&r, false);
	collect_sensors(&r);
	return r;
}

int64_t cpu_value(const readings &r, size_t cpu)
{
	if (cpu >= r.cpus.cpu.count || !r.cpus.cpu.items[cpu].temperature.known)
		return missing;
	return r.cpus.cpu.items[cpu].temperature.value;
}

TEST(LinuxReader, Temperatures)
{
	const struct {
		const char *fixture;
		int64_t cpus; // missing: no count
		std::vector<std::pair<size_t, int64_t>> cpu;
		std::vector<int64_t> zones;
	} cases[] = {
	    // Hyperthreads share their core's input.
	    {"intel-laptop", 4,
		{{0, 51000}, {1, 53500}, {2, 51000}, {3, 53500}, {4, missing}},
		{45000, 52000}},
	    // k10temp's Tctl for every CPU.
	    {"amd-desktop", 8, {{0, 48375}, {7, 48375}}, {}},
	    {"empty-vm", 2, {{0, missing}, {1, missing}}, {}},
	    // Core 9 has no input of its own: the package's.
	    {"hybrid-cpu", 6, {{3, 64000}, {4, 55000}, {5, 50000}}, {}},
	    // Garbage reads as missing; a good input beside it still counts.
	    {"garbage", 6,
		{{0, 51000}, {1, missing}, {2, missing}, {3, missing},
		    {4, missing}, {5, -40000}},
		{}},
	    {"big-64cpu", 64, {{63, 57500}}, {}},
	    {"nonexistent", missing, {}, {}},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.fixture);
		readings &r = read_tree(fixtures + c.fixture);
		EXPECT_EQ(r.source.temperature,
		    temperature_scale::millicelsius);
		EXPECT_EQ(r.cpus.count_known ? int64_t(r.cpus.cpu.count)
					     : missing,
		    c.cpus);
		for (const auto &[cpu, value] : c.cpu)
			EXPECT_EQ(cpu_value(r, cpu), value) << "CPU " << cpu;
		if (c.zones.empty())
			continue;
		std::vector<int64_t> zones;
		for (const zone_reading &z : r.zones.zone)
			zones.push_back(z.temperature.value);
		EXPECT_EQ(zones, c.zones);
	}
}

TEST(LinuxReader, Summary)
{
	const struct {
		const char *fixture;
		bool supported;
		int32_t life;
		int64_t ratio; // billionths; -1 unknown
		int64_t time;
		int32_t acline, state, units;
		battery_device device;
	} cases[] = {
	    // 41.04 Wh at 10.26 W: four hours.
	    {"intel-laptop", true, 80, 800000000, 14400, 0, 1, 1,
		battery_device::listed},
	    // Energy and charge summed by the charge battery's design voltage:
	    // (22000 + 22200) / (23000 + 44400) mWh.
	    {"two-batteries", true, 65, 655786350, -1, 1, 2, 2,
		battery_device::listed},
	    // A desktop knows it has no battery.
	    {"amd-desktop", false, -1, -1, -1, -1, -1, 0,
		battery_device::no_support},
	    // The mouse is left out, though it is critical and discharging.
	    {"mouse-battery", true, 100, 1000000000, -1, 1, 0, 1,
		battery_device::listed},
	    // No power_now: time_to_empty_now, 5400 s; the removed battery
	    // counts as a unit and nowhere else.
	    {"odd-batteries", true, 60, 600000000, 5400, 0, 1, 2,
		battery_device::listed},
	    // A capacity of 250 is no reading, nor is an online of "yes".
	    {"garbage", true, -1, -1, -1, -1, 0, 2, battery_device::listed},
	    {"nonexistent", false, -1, -1, -1, -1, -1, -1,
		battery_device::not_opened},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.fixture);
		readings &r = read_tree(fixtures + c.fixture);
		const battery_summary &s = r.summary;
		EXPECT_EQ(s.supported, c.supported);
		EXPECT_EQ(or_unknown(s.life), c.life);
		EXPECT_EQ(or_unknown(battery_life_billionths(s)), c.ratio);
		EXPECT_EQ(or_unknown(s.time), c.time);
		EXPECT_EQ(or_unknown(s.acline), c.acline);
		EXPECT_EQ(or_unknown(s.state), c.state);
		EXPECT_EQ(or_unknown(s.units), c.units);
		EXPECT_EQ(r.batteries.device, c.device);
	}
}

TEST(LinuxReader, BatteryUnits)
{
	const int64_t unknown = -1;
	const struct {
		const char *fixture;
		int unit;
		battery_stage stage;
		bool in_charge;
		int64_t design[4]; // capacity, last full, voltage, warning
		const char *strings[4];
		int32_t state, percent;
		int64_t time, rate, voltage;
	} cases[] = {
	    {"intel-laptop", 0, battery_stage::complete, false,
		{57000000, 51300000, 11520000, 2565000},
		{"5B10W13930", "1234", "Li-poly", "SMP"}, 1, 80, 14400,
		10260000, 12180000},
	    {"two-batteries", 0, battery_stage::complete, false,
		{57000000, 23000000, 11520000, 2565000},
		{"5B10W13930", "1234", "Li-poly", "SMP"}, 0, 95, -1, 0,
		12180000},
	    // Charge in µAh; the negative current_now counts by its size.
	    {"two-batteries", 1, battery_stage::complete, true,
		{4400000, 4000000, 11100000, unknown},
		{"01AV405", "6789", "Li-ion", "LGC"}, 2, 50, -1, 1500000,
		11800000},
	    {"odd-batteries", 0, battery_stage::complete, false,
		{57000000, 51300000, 11520000, 2565000},
		{"5B10W13930", "1234", "Li-poly", "SMP"}, 1, 60, 5400, unknown,
		12180000},
	    {"odd-batteries", 1, battery_stage::not_present, false, {}, {}, 7,
		0, 0, 0, 0},
	    // The serial is cut to 31 bytes and its NUL; the strings are kept
	    // as read, for the writers to make printable.
	    {"garbage", 0, battery_stage::complete, false,
		{57000000, unknown, 11520000, unknown},
		{"ACME\tPower\x1b[2J", "0123456789abcdef0123456789abcde",
		    "Li-poly", "SMP"},
		0, -1, -1, unknown, unknown},
	    // Folders in place of the files.
	    {"garbage", 1, battery_stage::complete, false,
		{unknown, unknown, unknown, unknown}, {"", "", "", ""}, 0, -1,
		-1, unknown, unknown},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(
		    std::string(c.fixture) + " unit " + std::to_string(c.unit));
		const battery_unit &u =
		    read_tree(fixtures + c.fixture).batteries.unit[c.unit];
		EXPECT_EQ(u.stage, c.stage);
		EXPECT_EQ(or_unknown(u.state), c.state);
		if (c.stage != battery_stage::complete)
			continue;
		EXPECT_EQ(u.in_charge, c.in_charge);
		const sensor_value design[4] = {u.design_capacity,
		    u.last_full_capacity, u.design_voltage, u.warn_capacity};
		for (int i = 0; i < 4; i++)
			EXPECT_EQ(or_unknown(design[i]), c.design[i])
			    << "design " << i;
		const char *strings[4] = {u.model, u.serial, u.type, u.oem};
		for (int i = 0; i < 4; i++)
			EXPECT_STREQ(strings[i], c.strings[i]);
		EXPECT_EQ(or_unknown(u.percent), c.percent);
		EXPECT_EQ(or_unknown(u.time), c.time);
		EXPECT_EQ(or_unknown(u.rate), c.rate);
		EXPECT_EQ(or_unknown(u.voltage), c.voltage);
	}
}

// A scratch copy of a fixture tree, removed with all it holds.
struct tree_copy {
	std::string path;
	explicit tree_copy(const char *fixture)
	{
		char dir[] = "/tmp/pelko-sysfs-XXXXXX";
		if (mkdtemp(dir) == nullptr)
			throw std::runtime_error("mkdtemp");
		path = dir;
		std::string copy = "cp -a " + fixtures + fixture + "/. " + path;
		if (system(copy.c_str()) != 0)
			throw std::runtime_error(copy);
	}
	~tree_copy() { (void)system(("rm -rf " + path).c_str()); }
	void write(const std::string &relative, const char *text) const
	{
		FILE *f = fopen((path + "/" + relative).c_str(), "w");
		if (f == nullptr)
			throw std::runtime_error(relative);
		fputs(text, f);
		fclose(f);
	}
	// Replaces the first from in the file by to, in place.
	void edit(const std::string &relative, const std::string &from,
	    const std::string &to) const
	{
		std::ifstream in(path + "/" + relative);
		std::stringstream text;
		text << in.rdbuf();
		std::string edited = text.str();
		size_t at = edited.find(from);
		if (at == std::string::npos)
			throw std::runtime_error(from + " not in " + relative);
		write(relative, edited.replace(at, from.size(), to).c_str());
	}
	void remove(const std::string &relative) const
	{
		unlink((path + "/" + relative).c_str());
	}
	void remove_folder(const std::string &relative) const
	{
		std::filesystem::remove_all(path + "/" + relative);
	}
	void make_folder(const std::string &relative) const
	{
		std::filesystem::create_directories(path + "/" + relative);
	}
};

const std::string laptop_battery =
    "devices/LNXSYSTM:00/LNXSYBUS:00/PNP0C0A:00/power_supply/BAT0/";
const std::string two_batteries_bat1 =
    "devices/LNXSYSTM:00/LNXSYBUS:00/PNP0C0A:01/power_supply/BAT1/";

// The first battery's cycles, and the remaining ratios in billionths; -1
// unknown.
int64_t unit_cycles(const readings &r)
{
	return or_unknown(r.batteries.unit[0].cycles);
}

int64_t unit_ratio(const readings &r)
{
	return or_unknown(battery_remaining_billionths(r.batteries.unit[0]));
}

int64_t total_ratio(const readings &r)
{
	return or_unknown(battery_life_billionths(r.summary));
}

// What the extended readings take from each tree.
TEST(LinuxReader, ExtendedReadings)
{
	const struct {
		const char *fixture;
		std::vector<int64_t>
		    cpu; // critical, logged, count, ms of CPU 1
		std::vector<int64_t>
		    package; // id, temperature, throttles, dies
		std::vector<int64_t>
		    zone0;	  // critical, passive, active0, active1
		bool zone1_trips; // any of zone 1
		std::vector<int64_t> battery0; // cycles, start, end
	} cases[] = {
	    {"intel-laptop", {100000, 1, 3, 1500}, {0, 50000, 7, 0},
		{99000, 95000, 70000, 60000},
		// Its only trip point is -274000: firmware's "none".
		false, {112, 75, 80}},
	    // No throttle counters on AMD; two dies under Tctl.
	    {"amd-zen", {100000, -1, -1, -1}, {0, 61250, -1, 2}, {}, false, {}},
	    {"big-64cpu", {100000, 0, 0, 0}, {0, 50000, 2, 0}, {}, false, {}},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.fixture);
		readings &r = read_tree(fixtures + c.fixture, true);
		const cpu_throttling &t = r.cpus.cpu.items[1].throttling;
		EXPECT_EQ((std::vector<int64_t>{or_unknown(r.cpus.cpu.items[1]
							       .critical),
			      or_unknown(t.logged),
			      or_unknown(t.core_throttles),
			      or_unknown(t.core_throttle_ms)}),
		    c.cpu);
		ASSERT_GE(r.cpus.packages.count, 1u);
		const package_reading &p = r.cpus.packages.items[0];
		EXPECT_EQ((std::vector<int64_t>{p.package,
			      or_unknown(p.temperature),
			      or_unknown(p.throttles), p.dies}),
		    c.package);
		if (!c.zone0.empty()) {
			const zone_limits &l = r.zones.zone.items[0].limits;
			EXPECT_EQ((std::vector<int64_t>{l.critical.value,
				      l.passive.value, l.active[0].value,
				      l.active[1].value}),
			    c.zone0);
			EXPECT_FALSE(l.hot.known || l.active[2].known);
			const zone_limits &l1 = r.zones.zone.items[1].limits;
			EXPECT_EQ(l1.passive.known, c.zone1_trips);
		}
		if (!c.battery0.empty()) {
			const battery_unit &u = r.batteries.unit[0];
			EXPECT_EQ((std::vector<int64_t>{or_unknown(u.cycles),
				      or_unknown(u.charge_start),
				      or_unknown(u.charge_end)}),
			    c.battery0);
		}
	}
	// The dies of the two-die tree, as FreeBSD numbers them.
	const package_reading &zen =
	    read_tree(fixtures + "amd-zen", true).cpus.packages.items[0];
	EXPECT_EQ(zen.die[0].value, 58500);
	EXPECT_EQ(zen.die[1].value, 47750);
	// A threshold that cannot be read is unknown alone.
	tree_copy tree("intel-laptop");
	tree.remove(laptop_battery + "charge_control_start_threshold");
	ASSERT_EQ(mkdir((tree.path + "/" + laptop_battery +
			    "charge_control_start_threshold")
			    .c_str(),
		      0755),
	    0);
	const battery_unit &u = read_tree(tree.path, true).batteries.unit[0];
	EXPECT_EQ(or_unknown(u.charge_start), -1);
	EXPECT_EQ(or_unknown(u.charge_end), 80);
	// Without the extended readings, none of them is read.
	readings &plain = read_tree(fixtures + "intel-laptop");
	EXPECT_FALSE(plain.cpus.cpu.items[1].critical.known);
	EXPECT_FALSE(plain.batteries.unit[0].cycles.known);
}

const std::string usb_charger =
    "devices/platform/USBC000:00/power_supply/ucsi-source-psy-USBC000:001/";
const std::string fan = "devices/virtual/thermal/cooling_device2/";

const std::string laptop_coretemp = "devices/platform/coretemp.0/hwmon/hwmon4/";
const std::string laptop_zone0 = "devices/virtual/thermal/thermal_zone0/";
const std::string zen_k10temp = "devices/pci0000:00/0000:00:18.3/hwmon/hwmon2/";
const std::string desktop_superio =
    "devices/platform/nct6775.656/hwmon/hwmon1/";

// The Super-I/O chip's sensors of the fan desktop: their count, and a
// thousand times it plus fan1's duty cycle, where known.
int64_t superio_fans(const readings &r)
{
	int64_t count = 0, pwm = 0;
	for (const sensor_reading &s : r.sensors) {
		if (strncmp(s.chip, "nct6798", 7) != 0)
			continue;
		count++;
		if (strcmp(s.label, "fan1") == 0 && s.pwm.known)
			pwm = s.pwm.value;
	}
	return count * 1000 + pwm;
}

// What the reader makes of values that drivers get wrong: each row changes
// one file of a copy of a fixture, then checks one field of the record.
TEST(LinuxReader, DriverOddities)
{
	const struct {
		const char *name, *fixture;
		std::string file, from, to; // from "": the whole file is to
		std::function<int64_t(const readings &)> field;
		int64_t expected;
	} cases[] = {
	    {"a 20-digit counter is refused, not wrapped past 2^64",
		"intel-laptop",
		"devices/system/cpu/cpu1/thermal_throttle/core_throttle_count",
		"", "18446744073709551619\n",
		[](const readings &r) {
			return or_unknown(
			    r.cpus.cpu.items[1].throttling.core_throttles);
		},
		-1},
	    {"a cycle count of 0 is no count", "intel-laptop",
		laptop_battery + "uevent", "CYCLE_COUNT=112", "CYCLE_COUNT=0",
		unit_cycles, -1},
	    // A uevent key in any case, its first line, and no other key.
	    {"a uevent key in small letters", "intel-laptop",
		laptop_battery + "uevent", "CYCLE_COUNT=112", "Cycle_count=7",
		unit_cycles, 7},
	    {"the first of two lines for a key", "intel-laptop",
		laptop_battery + "uevent", "CYCLE_COUNT=112",
		"CYCLE_COUNT=5\nPOWER_SUPPLY_CYCLE_COUNT=9", unit_cycles, 5},
	    {"a key one letter longer is another", "intel-laptop",
		laptop_battery + "uevent", "CYCLE_COUNT=112", "CYCLE_COUNTS=7",
		unit_cycles, -1},
	    {"a key with DEL for _ is another", "intel-laptop",
		laptop_battery + "uevent", "CYCLE_COUNT=112",
		"CYCLE\x7f"
		"COUNT=7",
		unit_cycles, -1},
	    {"more than the last full charge is 100 percent", "intel-laptop",
		laptop_battery + "uevent", "ENERGY_NOW=41040000",
		"ENERGY_NOW=60000000",
		[](const readings &r) {
			return or_unknown(r.batteries.unit[0].percent);
		},
		100},
	    {"a uevent without the type: the type file says it", "intel-laptop",
		laptop_battery + "uevent", "POWER_SUPPLY_TYPE=Battery\n", "",
		[](const readings &r) { return or_unknown(r.summary.units); },
		1},
	    {"an implausible critical temperature is none", "intel-laptop",
		laptop_coretemp + "temp2_crit", "", "250000\n",
		[](const readings &r) {
			return or_unknown(r.cpus.cpu.items[0].critical);
		},
		-1},
	    {"of two trip points of one type, the first", "intel-laptop",
		laptop_zone0 + "trip_point_1_type", "", "critical\n",
		[](const readings &r) {
			return r.zones.zone.items[0].limits.critical.value;
		},
		99000},
	    // Of two inputs with one label, the later one says its file: ten
	    // times those labelled "Core 0 temp3", plus those "Core 0".
	    {"labels that repeat on a chip are told apart", "intel-laptop",
		laptop_coretemp + "temp3_label", "", "Core 0\n",
		[](const readings &r) {
			int64_t shown = 0;
			for (const sensor_reading &s : r.sensors)
				shown += strcmp(s.label, "Core 0 temp3") == 0
				    ? 10
				    : strcmp(s.label, "Core 0") == 0;
			return shown;
		},
		11},
	    // The die array has 16 slots: Tccd0 and Tccd17 name none.  Ten
	    // times the dies, plus whether die 0 is known.
	    {"AMD dies beyond the first 16 are left out", "amd-zen",
		zen_k10temp + "temp3_label", "", "Tccd17\n",
		[](const readings &r) {
			const package_reading &p = r.cpus.packages.items[0];
			return int64_t{p.dies * 10 + p.die[0].known};
		},
		20},
	    {"AMD has no die 0 of its own", "amd-zen",
		zen_k10temp + "temp4_label", "", "Tccd0\n",
		[](const readings &r) {
			const package_reading &p = r.cpus.packages.items[0];
			return int64_t{p.dies * 10 + p.die[0].known};
		},
		11},
	    // Seven sensors: SYSTIN, fan1 to fan3, Vcore, two switches.
	    {"a duty cycle above 255 is none", "fan-desktop",
		desktop_superio + "pwm1", "", "256\n", superio_fans, 7000},
	    {"a pwm's frequency makes no fan of its own", "fan-desktop",
		desktop_superio + "pwm4_freq", "", "25000\n", superio_fans,
		7128},
	    {"a pwm without a fan input makes one", "fan-desktop",
		desktop_superio + "pwm4", "", "10\n", superio_fans, 8128},
	    // The ratios at their source's precision, in billionths.
	    {"9.358 % in energy is not cut to 9 %", "intel-laptop",
		laptop_battery + "uevent", "ENERGY_NOW=41040000",
		"ENERGY_NOW=4800654", unit_ratio, 93580000},
	    {"no energy left while the capacity says 1 %: 1 %", "intel-laptop",
		laptop_battery + "uevent",
		"ENERGY_NOW=41040000\nPOWER_SUPPLY_CAPACITY=80",
		"ENERGY_NOW=0\nPOWER_SUPPLY_CAPACITY=1", unit_ratio, 10000000},
	    {"under 1 % in energy is not 0", "intel-laptop",
		laptop_battery + "uevent", "ENERGY_NOW=41040000",
		"ENERGY_NOW=461700", unit_ratio, 9000000},
	    // Every present battery in the summary.  By their last full
	    // energy, 22 of 23 Wh and 58 % of 44.4 Wh: 6.4 / 6.74.
	    {"a percentage weighed by its last full energy", "two-batteries",
		two_batteries_bat1 + "uevent",
		"CHARGE_NOW=2000000\nPOWER_SUPPLY_CAPACITY=50", "CAPACITY=58",
		total_ratio, 708486647},
	    // Without BAT1's last full charge, each counts the same:
	    // (22 / 23 + 0.5) / 2.
	    {"a percentage alone counts as much as the other", "two-batteries",
		two_batteries_bat1 + "uevent",
		"POWER_SUPPLY_CHARGE_FULL=4000000\nPOWER_SUPPLY_CHARGE_NOW=2000000\n",
		"", total_ratio, 728260870},
	    {"a present battery without a charge: no total", "two-batteries",
		two_batteries_bat1 + "uevent",
		"POWER_SUPPLY_CHARGE_NOW=2000000\nPOWER_SUPPLY_CAPACITY=50\n",
		"", total_ratio, -1},
	    // The charger is the second supply that is no battery, after AC.
	    {"a USB type of a list without brackets is none", "usb-c-laptop",
		usb_charger + "uevent", "C [PD] PD_PPS", "C PD PD_PPS",
		[](const readings &r) -> int64_t {
			return r.supplies.items[1].usb_type[0] != '\0';
		},
		0},
	    {"a supply without a uevent is read file by file", "usb-c-laptop",
		usb_charger + "uevent", "", "",
		[](const readings &r) -> int64_t {
			const supply_reading &s = r.supplies.items[1];
			return s.current_max.value + s.online.value +
			    (strcmp(s.usb_type, "PD") == 0);
		},
		3000002},
	    {"a state that is no number is unknown", "usb-c-laptop",
		fan + "cur_state", "", "full\n",
		[](const readings &r) {
			const sensor_value &v = r.cooling.items[2].state;
			return v.known ? v.value : missing;
		},
		missing},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.name);
		tree_copy tree(c.fixture);
		if (c.from.empty())
			tree.write(c.file, c.to.c_str());
		else
			tree.edit(c.file, c.from, c.to);
		EXPECT_EQ(c.field(read_tree(tree.path, true)), c.expected);
	}
}

// Each report reads every file from its start, closes those that it no
// longer reads, and keeps no more open than one report needs: five
// reports, each over ten zones that the one before did not have, and a
// CPU input that changes between them.
TEST(LinuxReader, KeptFilesFollowTheReports)
{
	tree_copy tree("intel-laptop");
	auto descriptors = [] {
		return std::distance(std::filesystem::directory_iterator(
					 "/proc/self/fd"),
		    std::filesystem::directory_iterator());
	};
	readings &r = read_tree(tree.path);
	long first = 0;
	for (int report = 0; report < 5; report++) {
		SCOPED_TRACE(report);
		tree.remove_folder("class/thermal");
		for (int zone = report * 10; zone < report * 10 + 10; zone++) {
			std::string dir =
			    "class/thermal/thermal_zone" + std::to_string(zone);
			tree.make_folder(dir);
			tree.write(dir + "/temp",
			    std::to_string(zone * 1000).c_str());
		}
		const char *inputs[] = {"7\n", "60300\n", "1\n", "45000\n",
		    "-5\n"};
		const int32_t values[] = {7, 60300, 1, 45000, -5};
		tree.write(laptop_coretemp + "temp2_input", inputs[report]);
		begin_readings(&r);
		collect_cpus(&r);
		collect_zones(&r);
		EXPECT_EQ(r.cpus.cpu.items[0].temperature.value,
		    values[report]);
		ASSERT_EQ(r.zones.zone.count, 10u);
		EXPECT_EQ(r.zones.zone.items[9].temperature.value,
		    (report * 10 + 9) * 1000);
		// A report closes what the one before no longer read: the
		// files of two reports are open at most.
		if (report == 1)
			first = descriptors();
		EXPECT_LE(descriptors(), report < 1 ? LONG_MAX : first);
	}
}

// What a report keeps of a folder (a chip's labels) goes when the folder
// is replaced, even by one with the same files: a chip that went and came
// back under its number is read anew.
TEST(LinuxReader, ReplacedChipReadAnew)
{
	tree_copy tree("intel-laptop");
	const std::string chip = tree.path + "/" + laptop_coretemp;
	readings &r = read_tree(tree.path);
	ASSERT_EQ(cpu_value(r, 0), 51000);
	std::filesystem::copy(chip, tree.path + "/new-chip",
	    std::filesystem::copy_options::recursive |
		std::filesystem::copy_options::copy_symlinks);
	tree.remove_folder(laptop_coretemp);
	ASSERT_EQ(rename((tree.path + "/new-chip").c_str(), chip.c_str()), 0);
	tree.write(laptop_coretemp + "temp2_label", "Core 1\n");
	tree.write(laptop_coretemp + "temp3_label", "Core 0\n");
	begin_readings(&r);
	collect_cpus(&r);
	EXPECT_EQ(cpu_value(r, 0), 53500);
	EXPECT_EQ(cpu_value(r, 1), 51000);
}

// What a report keeps while the folders stay the same (a CPU's topology)
// is worked out again after the kernel counts a device event, such as a
// CPU that went and came back under its number with another core; a count
// that cannot be read counts as an event, and so does the first one read
// after it, even where it is the same as before the failure.
TEST(LinuxReader, DeviceEventsUndoWhatWasKept)
{
	const struct {
		const char *event_count;
		const char *core_id; // of CPU 1, written before the report
		int64_t cpu1;
	} cases[] = {
	    {"7\n", "0\n", 53500}, // no event: kept
	    {"8\n", "0\n", 51000},
	    {"8\n", "1\n", 51000},
	    {"x\n", "1\n", 53500}, // unreadable
	    {"8\n", "0\n", 51000}, // read again
	    {"8\n", "1\n", 51000},
	};
	tree_copy tree("intel-laptop");
	tree.make_folder("kernel");
	tree.write("kernel/uevent_seqnum", "7\n");
	readings &r = read_tree(tree.path);
	ASSERT_EQ(cpu_value(r, 1), 53500);
	for (const auto &c : cases) {
		SCOPED_TRACE(std::string(c.event_count) + c.core_id);
		tree.write("kernel/uevent_seqnum", c.event_count);
		tree.write("devices/system/cpu/cpu1/topology/core_id",
		    c.core_id);
		begin_readings(&r);
		collect_cpus(&r);
		EXPECT_EQ(cpu_value(r, 1), c.cpu1);
	}
}

// A folder found missing (a system without hwmon drivers) is looked for
// again after the next device event, which a folder comes with.
TEST(LinuxReader, MissingFolderBackAfterAnEvent)
{
	const struct {
		const char *event_count;
		int64_t cpu0;
	} cases[] = {{"7\n", missing}, {"8\n", 51000}};
	tree_copy tree("intel-laptop");
	tree.make_folder("kernel");
	tree.write("kernel/uevent_seqnum", "7\n");
	const std::string hwmon = tree.path + "/class/hwmon";
	ASSERT_EQ(rename(hwmon.c_str(), (hwmon + "-away").c_str()), 0);
	readings &r = read_tree(tree.path);
	ASSERT_EQ(cpu_value(r, 0), missing);
	ASSERT_EQ(rename((hwmon + "-away").c_str(), hwmon.c_str()), 0);
	for (const auto &c : cases) {
		SCOPED_TRACE(c.event_count);
		tree.write("kernel/uevent_seqnum", c.event_count);
		begin_readings(&r);
		collect_cpus(&r);
		EXPECT_EQ(cpu_value(r, 0), c.cpu0);
	}
}

// Limits are read at every report, each from its own CPU's sensor or
// zone: a zone that appears between two reports shows its own trip
// points, a critical temperature that was missing at first is read once
// it is there, and a zone that goes takes its trip points with it.
TEST(LinuxReader, LimitsFollowTheirZones)
{
	tree_copy tree("wifi-laptop");
	const std::string zone1 = "class/thermal/thermal_zone1";
	const std::string hwmon = "devices/platform/coretemp.0/hwmon/hwmon3/";
	ASSERT_EQ(rename((tree.path + "/" + zone1).c_str(),
		      (tree.path + "/zone1").c_str()),
	    0);
	tree.remove(hwmon + "temp2_crit");
	readings &r = read_tree(tree.path, true);
	ASSERT_EQ(r.zones.zone.count, 2u);
	EXPECT_FALSE(r.cpus.cpu.items[0].critical.known);
	EXPECT_TRUE(r.cpus.cpu.items[1].critical.known);

	ASSERT_EQ(rename((tree.path + "/zone1").c_str(),
		      (tree.path + "/" + zone1).c_str()),
	    0);
	tree.write(zone1 + "/trip_point_0_type", "passive\n");
	tree.write(zone1 + "/trip_point_0_temp", "85000\n");
	tree.write(hwmon + "temp2_crit", "105000\n");
	begin_readings(&r);
	collect_cpus(&r);
	collect_zones(&r);
	ASSERT_EQ(r.zones.zone.count, 3u);
	const zone_reading &wifi = r.zones.zone.items[1];
	EXPECT_EQ(wifi.number, 1);
	EXPECT_STREQ(wifi.type, "iwlwifi_1");
	EXPECT_EQ(wifi.limits.passive.value, 85000);
	EXPECT_FALSE(r.zones.zone.items[2].limits.passive.known);
	EXPECT_EQ(r.zones.zone.items[0].limits.critical.value, 99000);
	EXPECT_EQ(r.cpus.cpu.items[0].critical.value, 105000);

	// A zone that goes away takes its trip points with it.
	tree.remove("class/thermal/thermal_zone0");
	begin_readings(&r);
	collect_zones(&r);
	ASSERT_EQ(r.zones.zone.count, 2u);
	EXPECT_EQ(r.zones.zone.items[0].number, 1);
	EXPECT_FALSE(r.zones.zone.items[0].limits.critical.known);
	EXPECT_FALSE(r.zones.zone.items[1].limits.critical.known);
}

// The supplies and cooling devices are read at every report through the
// files kept since the one before: a state and a current that change show
// in the next report, and so does a device that comes.
TEST(LinuxReader, SuppliesAndCoolingEachReport)
{
	tree_copy tree("usb-c-laptop");
	readings &r = read_tree(tree.path, true);
	ASSERT_EQ(r.supplies.count, 3u);
	EXPECT_STREQ(r.supplies.items[0].name, "AC");
	EXPECT_EQ(r.supplies.items[1].current.value, 1500000);
	ASSERT_EQ(r.cooling.count, 4u);
	EXPECT_EQ(r.cooling.items[3].number, 10);
	EXPECT_EQ(r.cooling.items[3].state.value, -1);

	tree.write(fan + "cur_state", "0\n");
	tree.edit(usb_charger + "uevent", "CURRENT_NOW=1500000",
	    "CURRENT_NOW=2250000");
	tree.make_folder("class/thermal/cooling_device3");
	tree.write("class/thermal/cooling_device3/type", "Fan\n");
	begin_readings(&r);
	collect_zones(&r);
	collect_summary(&r);
	EXPECT_EQ(r.supplies.items[1].current.value, 2250000);
	ASSERT_EQ(r.cooling.count, 5u);
	EXPECT_EQ(r.cooling.items[2].state.value, 0);
	EXPECT_STREQ(r.cooling.items[3].type, "Fan");
	EXPECT_FALSE(r.cooling.items[3].state.known);
	// Without the extended readings there are none.
	EXPECT_EQ(read_tree(tree.path).supplies.count, 0u);
	EXPECT_EQ(r.cooling.count, 0u);
}

// A battery that cannot say how much is left has no time, rather than
// none left.
TEST(LinuxReader, UnknownChargeGivesNoTime)
{
	tree_copy tree("intel-laptop");
	tree.edit(laptop_battery + "uevent",
	    "POWER_SUPPLY_ENERGY_NOW=41040000\n", "");
	readings &r = read_tree(tree.path);
	EXPECT_FALSE(r.summary.time.known);
	EXPECT_FALSE(r.batteries.unit[0].time.known);
	tree.edit(laptop_battery + "uevent", "POWER_SUPPLY_ENERGY_FULL=",
	    "POWER_SUPPLY_TIME_TO_EMPTY_NOW=7200\nPOWER_SUPPLY_ENERGY_FULL=");
	EXPECT_EQ(or_unknown(read_tree(tree.path).summary.time), 7200);
	// The same from the attribute files, where there is no uevent.
	tree.remove(laptop_battery + "uevent");
	tree.remove(laptop_battery + "energy_now");
	EXPECT_FALSE(read_tree(tree.path).summary.time.known);
}

// Batteries are numbered in the order of the numbers in their names.
TEST(LinuxReader, BatteriesInNumberOrder)
{
	tree_copy tree("intel-laptop");
	for (const char *name : {"BAT10", "BAT2"}) {
		std::string dir = std::string("class/power_supply/") + name;
		ASSERT_EQ(mkdir((tree.path + "/" + dir).c_str(), 0755), 0);
		tree.write(dir + "/type", "Battery\n");
		tree.write(dir + "/model_name", name);
	}
	readings &r = read_tree(tree.path);
	ASSERT_EQ(r.batteries.count, 3);
	EXPECT_STREQ(r.batteries.unit[1].model, "BAT2");
	EXPECT_STREQ(r.batteries.unit[2].model, "BAT10");
}

// Every report reads afresh: nothing is kept from the one before.
TEST(LinuxReader, EachReportReadsAfresh)
{
	tree_copy tree("intel-laptop");
	EXPECT_EQ(cpu_value(read_tree(tree.path), 0), 51000);
	tree.write("devices/platform/coretemp.0/hwmon/hwmon4/temp2_input",
	    "60300\n");
	tree.edit(laptop_battery + "uevent", "ENERGY_NOW=41040000",
	    "ENERGY_NOW=25650000");
	readings &r = read_tree(tree.path);
	EXPECT_EQ(cpu_value(r, 0), 60300);
	EXPECT_EQ(or_unknown(r.summary.life), 50);
}

// The structure stamp moves on each report whose sensors differ from the
// report before's, by count, chip or label, and only then.
TEST(LinuxReader, ShapeChangesCounted)
{
	struct step {
		std::vector<std::pair<const char *, const char *>> sensors;
		bool changed;
	};
	const step steps[] = {{{{"c", "a"}, {"c", "b"}}, true},
	    {{{"c", "a"}, {"c", "b"}}, false}, {{{"c", "a"}}, true},
	    {{{"c", "a"}}, false}, {{{"c", "a"}, {"c", "b"}}, true},
	    {{{"c", "a"}, {"c", "bb"}}, true},
	    {{{"c", "a"}, {"d", "bb"}}, true},
	    {{{"c", "a"}, {"d", "bb"}}, false}, {{}, true}, {{}, false}};
	static readings r;
	r.sensors.clear();
	r.sensors.add();
	uint64_t last = count_shape_changes(r);
	for (const step &s : steps) {
		r.sensors.clear();
		for (auto [chip, label] : s.sensors) {
			sensor_reading *e = r.sensors.add();
			snprintf(e->chip, sizeof e->chip, "%s", chip);
			snprintf(e->label, sizeof e->label, "%s", label);
		}
		uint64_t count = count_shape_changes(r);
		EXPECT_EQ(count != last, s.changed) << &s - steps;
		last = count;
	}
}

TEST(LinuxReader, Numbers)
{
	const struct {
		const char *text;
		bool ok;
		int32_t value;
	} cases[] = {
	    {"0", true, 0},
	    {"-0", true, 0},
	    {"2147483647", true, INT32_MAX},
	    {"-2147483648", true, INT32_MIN},
	    {"2147483648", false, 0},
	    {"-2147483649", false, 0},
	    {"99999999999999999999999", false, 0},
	    {"+1", false, 0},
	    {" 1", false, 0},
	    {"1 ", false, 0},
	    {"", false, 0},
	    {"-", false, 0},
	    {"12x", false, 0},
	    {"0x10", false, 0},
	    {"1\n", false, 0},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.text);
		int32_t value = 0;
		EXPECT_EQ(sysfs_parse_int(c.text, &value), c.ok);
		EXPECT_EQ(value, c.value);
	}
}

// A file is read up to 4 KiB; one that fills them counts as unreadable.
TEST(LinuxReader, FileSizeBound)
{
	char dir[] = "/tmp/pelko-sysfs-XXXXXX";
	ASSERT_NE(mkdtemp(dir), nullptr);
	const struct {
		size_t size;
		bool ok;
	} cases[] = {{0, false}, {1, true}, {4095, true}, {4096, false},
	    {1 << 20, false}};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.size);
		std::string path = std::string(dir) + "/value";
		FILE *f = fopen(path.c_str(), "w");
		ASSERT_NE(f, nullptr);
		for (size_t i = 0; i < c.size; i++)
			fputc('7', f);
		fclose(f);
		sysfs_set_root(dir);
		char text[8];
		EXPECT_EQ(sysfs_read_text(nullptr, text, sizeof text, "value"),
		    c.ok);
		if (c.ok) {
			EXPECT_EQ(std::string(text),
			    std::string(c.size < 7 ? c.size : 7, '7'));
		}
		unlink(path.c_str());
	}
	rmdir(dir);
}

// The RAPL zones of powercap, each by its folder in the order of their
// numbers, subzones after their zone and named after it in -x; the
// control type's folder, which has no name, is none.
TEST(LinuxReader, PowercapZones)
{
	const struct {
		const char *fixture;
		const char *zones; // "domain name label energy range;" each
	} cases[] = {
	    {"rapl-laptop",
		"intel-rapl:0 package-0 package0 123456789012 262143328850;"
		"intel-rapl:0:0 core package0 core 45678901234 262143328850;"
		"intel-rapl:0:1 uncore package0 uncore 1234567890 262143328850;"
		"intel-rapl:0:2 dram package0 dram 9876543210 262143328850;"
		"intel-rapl:1 psys psys 210987654321 262143328850;"},
	    {"amd-zen",
		"intel-rapl:0 package-0 package0 54321098765 65532610987;"
		"intel-rapl:0:0 core package0 core 4321098765 65532610987;"},
	    {"intel-laptop", ""},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.fixture);
		static power_readings p;
		p.domain.clear();
		sysfs_set_root((fixtures + c.fixture).c_str());
		sysfs_new_report();
		read_power_counters(&p);
		std::string got;
		for (const power_domain_reading &d : p.domain)
			got += std::string(d.domain) + " " + d.name + " " +
			    d.label + " " +
			    std::to_string(or_unknown(d.energy)) + " " +
			    std::to_string(or_unknown(d.range)) + ";";
		EXPECT_EQ(got, c.zones);
		EXPECT_STREQ(p.failed, "");
	}
}

} // namespace
