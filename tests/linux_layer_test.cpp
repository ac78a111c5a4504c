// The Linux layer in-process, against the fixture trees: the kernel
// variables and battery records it answers from sysfs.

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/acpi_battery.h"
#include "platform/linux/cpu_temp.h"
#include "platform/linux/linux_layer.h"
#include "platform/linux/sysfs_read.h"
#include "platform/platform.h"

namespace {

const std::string fixtures = PELKO_FIXTURES "/sysfs/";

constexpr int64_t missing = -1000000000000;
constexpr int64_t node = -2000000000000;

// What os_sysctlbyname answers for a name: its value, missing or node.
int64_t variable(const char *name)
{
	int value;
	size_t length = sizeof value;

	errno = 0;
	if (os_sysctlbyname(name, &value, &length, nullptr, 0) == 0)
		return value;
	return errno == EISDIR ? node : missing;
}

int64_t cpu_count()
{
	static const int mib[2] = {6, 3};
	int value;
	size_t length = sizeof value;

	return os_sysctl(mib, 2, &value, &length, nullptr, 0) == 0 ? value
								   : missing;
}

void use(const std::string &fixture)
{
	linux_use_sysfs_root((fixtures + fixture).c_str());
}

TEST(LinuxLayer, Variables)
{
	const struct {
		const char *fixture;
		const char *name; // nullptr: the CPU count
		int64_t expected;
	} cases[] = {
	    // Hyperthreads share their core's input; 51 and 53.5 degrees.
	    {"intel-laptop", nullptr, 4},
	    {"intel-laptop", "dev.cpu.0.temperature", 3241},
	    {"intel-laptop", "dev.cpu.1.temperature", 3266},
	    {"intel-laptop", "dev.cpu.2.temperature", 3241},
	    {"intel-laptop", "dev.cpu.3.temperature", 3266},
	    {"intel-laptop", "dev.cpu.4.temperature", missing},
	    {"intel-laptop", "hw.acpi.thermal.tz0.temperature", 3181},
	    {"intel-laptop", "hw.acpi.thermal.tz1.temperature", 3251},
	    {"intel-laptop", "hw.acpi.thermal.tz2.temperature", missing},
	    {"intel-laptop", "hw.acpi.battery", node},
	    {"intel-laptop", "hw.acpi.battery.life", 80},
	    {"intel-laptop", "hw.acpi.battery.time", 240},
	    {"intel-laptop", "hw.acpi.battery.state", 1},
	    {"intel-laptop", "hw.acpi.battery.units", 1},
	    {"intel-laptop", "hw.acpi.acline", 0},
	    // Names that only look like the variables.
	    {"intel-laptop", "dev.cpu.01.temperature", missing},
	    {"intel-laptop", "dev.cpu.-1.temperature", missing},
	    {"intel-laptop", "dev.cpu.0.temperature.x", missing},
	    {"intel-laptop", "dev.cpu..temperature", missing},
	    {"intel-laptop", "hw.acpi.batteryx", missing},
	    {"intel-laptop", "hw.acpi.battery.", missing},
	    // Energy and charge summed by the charge battery's design voltage:
	    // (22000 + 22200) / (23000 + 44400) mWh.
	    {"two-batteries", "hw.acpi.battery.life", 65},
	    {"two-batteries", "hw.acpi.battery.time", -1},
	    {"two-batteries", "hw.acpi.battery.state", 2},
	    {"two-batteries", "hw.acpi.battery.units", 2},
	    {"two-batteries", "hw.acpi.acline", 1},
	    // k10temp's Tctl for every CPU; no zones, no battery, no mains.
	    {"amd-desktop", nullptr, 8},
	    {"amd-desktop", "dev.cpu.7.temperature", 3214},
	    {"amd-desktop", "hw.acpi.thermal.tz0.temperature", missing},
	    {"amd-desktop", "hw.acpi.battery", missing},
	    {"amd-desktop", "hw.acpi.battery.units", missing},
	    {"amd-desktop", "hw.acpi.acline", missing},
	    {"empty-vm", nullptr, 2},
	    {"empty-vm", "dev.cpu.0.temperature", missing},
	    {"empty-vm", "hw.acpi.battery", missing},
	    // The mouse is left out, though it is critical and discharging.
	    {"mouse-battery", "hw.acpi.battery.units", 1},
	    {"mouse-battery", "hw.acpi.battery.state", 0},
	    {"mouse-battery", "hw.acpi.battery.life", 100},
	    {"mouse-battery", "hw.acpi.acline", 1},
	    // No power_now: the time comes from time_to_empty_now, 5400 s; the
	    // removed battery counts as a unit and nowhere else.
	    {"odd-batteries", "hw.acpi.battery.time", 90},
	    {"odd-batteries", "hw.acpi.battery.life", 60},
	    {"odd-batteries", "hw.acpi.battery.state", 1},
	    {"odd-batteries", "hw.acpi.battery.units", 2},
	    // Core 9 has no input of its own: the package's 50 degrees.
	    {"hybrid-cpu", "dev.cpu.3.temperature", 3371},
	    {"hybrid-cpu", "dev.cpu.4.temperature", 3281},
	    {"hybrid-cpu", "dev.cpu.5.temperature", 3231},
	    // Garbage reads as missing; a good input beside it still counts.
	    {"garbage", nullptr, 6},
	    {"garbage", "dev.cpu.0.temperature", 3241},
	    {"garbage", "dev.cpu.1.temperature", missing}, // core_id "one"
	    {"garbage", "dev.cpu.2.temperature", missing}, // empty package id
	    {"garbage", "dev.cpu.3.temperature", missing}, // out of range
	    {"garbage", "dev.cpu.4.temperature", missing}, // 5001 bytes
	    {"garbage", "dev.cpu.5.temperature", 2331},	   // -40 degrees
	    {"garbage", "hw.acpi.thermal.tz0.temperature", missing},
	    {"garbage", "hw.acpi.battery.units", 2},  // BAT9 points nowhere
	    {"garbage", "hw.acpi.battery.life", 100}, // capacity 250, clamped
	    {"garbage", "hw.acpi.acline", 0},	      // online "yes"
	    {"big-64cpu", nullptr, 64},
	    {"big-64cpu", "dev.cpu.32.temperature", 3131},
	    {"big-64cpu", "dev.cpu.63.temperature", 3306},
	    {"big-64cpu", "hw.acpi.thermal.tz1.temperature", 3029},
	    {"nonexistent", nullptr, missing},
	    {"nonexistent", "hw.acpi.battery", missing},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(std::string(c.fixture) + " " +
		    (c.name ? c.name : "CPU count"));
		use(c.fixture);
		EXPECT_EQ(c.name ? variable(c.name) : cpu_count(), c.expected);
	}
}

struct records {
	acpi_battinfo battinfo;
	acpi_bif bif;
	acpi_bst bst;
};

bool request(unsigned long code, int unit, acpi_battery_ioctl_arg *arg)
{
	int fd = os_open_acpi(O_RDONLY);
	arg->unit = unit;
	bool ok = os_ioctl(fd, code, arg) == 0;
	os_close(fd);
	return ok;
}

records read_records(int unit)
{
	records r;
	acpi_battery_ioctl_arg arg;

	EXPECT_TRUE(request(ACPIIO_BATT_GET_BATTINFO, unit, &arg));
	r.battinfo = arg.battinfo;
	EXPECT_TRUE(request(ACPIIO_BATT_GET_BIF, unit, &arg));
	r.bif = arg.bif;
	EXPECT_TRUE(request(ACPIIO_BATT_GET_BST, unit, &arg));
	r.bst = arg.bst;
	return r;
}

TEST(LinuxLayer, BatteryRecords)
{
	const uint32_t unknown = 0xFFFFFFFF;
	const struct {
		const char *fixture;
		int unit;
		int battinfo[4]; // cap, min, state, rate
		uint32_t bif
		    [9]; // units, dcap, lfcap, btech, dvol, wcap, lcap, gra1, gra2
		const char *strings[4];
		uint32_t bst[4]; // state, rate, cap, volt
	} cases[] = {
	    {"intel-laptop", 0, {80, 240, 1, 10260},
		{0, 57000, 51300, 1, 11520, 2565, unknown, unknown, unknown},
		{"5B10W13930", "1234", "Li-poly", "SMP"},
		{1, 10260, 41040, 12180}},
	    {"two-batteries", 0, {95, -1, 0, 0},
		{0, 57000, 23000, 1, 11520, 2565, unknown, unknown, unknown},
		{"5B10W13930", "1234", "Li-poly", "SMP"}, {0, 0, 22000, 12180}},
	    // Charge in mAh; the negative current_now counts by its size.
	    {"two-batteries", 1, {50, -1, 2, 1500},
		{1, 4400, 4000, 1, 11100, unknown, unknown, unknown, unknown},
		{"01AV405", "6789", "Li-ion", "LGC"}, {2, 1500, 2000, 11800}},
	    {"odd-batteries", 0, {60, 90, 1, -1},
		{0, 57000, 51300, 1, 11520, 2565, unknown, unknown, unknown},
		{"5B10W13930", "1234", "Li-poly", "SMP"},
		{1, unknown, 30780, 12180}},
	    {"odd-batteries", 1, {-1, -1, 7, -1},
		{0, unknown, unknown, 1, unknown, unknown, unknown, unknown,
		    unknown},
		{"", "", "Unknown", ""}, {7, unknown, unknown, unknown}},
	    // The serial is cut to 31 bytes and its NUL.
	    {"garbage", 0, {100, -1, 0, -1},
		{0, 57000, unknown, 1, 11520, unknown, unknown, unknown,
		    unknown},
		{"ACME\tPower\x1b[2J", "0123456789abcdef0123456789abcde",
		    "Li-poly", "SMP"},
		{0, unknown, unknown, unknown}},
	    // Folders in place of the files.
	    {"garbage", 1, {-1, -1, 0, -1},
		{0, unknown, unknown, 1, unknown, unknown, unknown, unknown,
		    unknown},
		{"", "", "", ""}, {0, unknown, unknown, unknown}},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(
		    std::string(c.fixture) + " unit " + std::to_string(c.unit));
		use(c.fixture);
		records r = read_records(c.unit);
		EXPECT_EQ(r.battinfo.cap, c.battinfo[0]);
		EXPECT_EQ(r.battinfo.min, c.battinfo[1]);
		EXPECT_EQ(r.battinfo.state, c.battinfo[2]);
		EXPECT_EQ(r.battinfo.rate, c.battinfo[3]);
		const uint32_t bif[9] = {r.bif.units, r.bif.dcap, r.bif.lfcap,
		    r.bif.btech, r.bif.dvol, r.bif.wcap, r.bif.lcap, r.bif.gra1,
		    r.bif.gra2};
		for (int i = 0; i < 9; i++)
			EXPECT_EQ(bif[i], c.bif[i]) << "bif field " << i;
		const char *strings[4] = {r.bif.model, r.bif.serial, r.bif.type,
		    r.bif.oeminfo};
		for (int i = 0; i < 4; i++) {
			EXPECT_EQ(strings[i][ACPI_CMBAT_MAXSTRLEN - 1], '\0');
			EXPECT_STREQ(strings[i], c.strings[i]);
		}
		const uint32_t bst[4] = {r.bst.state, r.bst.rate, r.bst.cap,
		    r.bst.volt};
		for (int i = 0; i < 4; i++)
			EXPECT_EQ(bst[i], c.bst[i]) << "bst field " << i;
	}
}

// The calls keep the contracts of the system calls they stand for.
TEST(LinuxLayer, CallContracts)
{
	use("intel-laptop");
	int value = 5;
	size_t length = sizeof value;
	EXPECT_EQ(os_sysctlbyname("hw.acpi.acline", nullptr, nullptr, nullptr,
		      0),
	    0);
	EXPECT_EQ(os_sysctlbyname("hw.acpi.acline", nullptr, nullptr, &value,
		      sizeof value),
	    -1);
	EXPECT_EQ(errno, EPERM);
	length = 2;
	EXPECT_EQ(os_sysctlbyname("hw.acpi.acline", &value, &length, nullptr,
		      0),
	    -1);
	EXPECT_EQ(errno, ENOMEM);

	EXPECT_EQ(os_open_acpi(O_RDWR), -1);
	int fd = os_open_acpi(O_RDONLY);
	ASSERT_GE(fd, 0);
	acpi_battery_ioctl_arg arg;
	arg.unit = 1;
	EXPECT_EQ(os_ioctl(fd, ACPIIO_BATT_GET_BIF, &arg),
	    -1); // one battery only
	EXPECT_EQ(errno, ENXIO);
	arg.unit = -1;
	EXPECT_EQ(os_ioctl(fd, ACPIIO_BATT_GET_BST, &arg), -1);
	arg.unit = 0;
	EXPECT_EQ(os_ioctl(fd, 0xC0044201UL, &arg), -1);
	EXPECT_EQ(errno, ENOTTY);
	EXPECT_EQ(os_ioctl(fd + 1, ACPIIO_BATT_GET_BST, &arg), -1);
	EXPECT_EQ(errno, EBADF);
	EXPECT_EQ(os_close(fd), 0);
	EXPECT_EQ(os_ioctl(fd, ACPIIO_BATT_GET_BST, &arg), -1);

	use("nonexistent");
	EXPECT_EQ(os_open_acpi(O_RDONLY), -1);
}

// Within a report a file is read once; after the sleep, afresh.
TEST(LinuxLayer, ReadingsLastUntilTheSleep)
{
	char dir[] = "/tmp/pelko-sysfs-XXXXXX";
	ASSERT_NE(mkdtemp(dir), nullptr);
	std::string copy =
	    std::string("cp -a ") + fixtures + "intel-laptop/. " + dir;
	ASSERT_EQ(system(copy.c_str()), 0);
	std::string input = std::string(dir) +
	    "/devices/platform/coretemp.0/hwmon/hwmon4/temp2_input";
	std::string energy = std::string(dir) +
	    "/devices/LNXSYSTM:00/LNXSYBUS:00/PNP0C0A:00/power_supply/BAT0/energy_now";
	auto write = [](const std::string &path, const char *text) {
		FILE *f = fopen(path.c_str(), "w");
		ASSERT_NE(f, nullptr);
		fputs(text, f);
		fclose(f);
	};

	linux_use_sysfs_root(dir);
	EXPECT_EQ(variable("dev.cpu.0.temperature"), 3241);
	EXPECT_EQ(variable("hw.acpi.battery.life"), 80);
	write(input, "60000\n");
	write(energy, "25650000\n");
	EXPECT_EQ(variable("dev.cpu.0.temperature"), 3241);
	EXPECT_EQ(variable("dev.cpu.2.temperature"), 3241);
	EXPECT_EQ(variable("hw.acpi.battery.life"), 80);
	os_sleep(0);
	EXPECT_EQ(variable("dev.cpu.0.temperature"), 3331);
	EXPECT_EQ(variable("hw.acpi.battery.life"), 50);

	std::string remove = std::string("rm -rf ") + dir;
	EXPECT_EQ(system(remove.c_str()), 0);
}

TEST(LinuxLayer, Numbers)
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

	const struct {
		int32_t millicelsius;
		int32_t raw;
	} conversions[] = {
	    {0, 2731},
	    {45000, 3181},
	    {999, 2740},
	    {-999, 2722},
	    {-40000, 2331},
	    {INT32_MAX, 21477567},
	    {INT32_MIN, -21472105},
	};
	for (const auto &c : conversions)
		EXPECT_EQ(millicelsius_to_decikelvin(c.millicelsius), c.raw)
		    << c.millicelsius;
}

// A file is read up to 4 KiB; one that fills them counts as unreadable.
TEST(LinuxLayer, FileSizeBound)
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
		linux_use_sysfs_root(dir);
		char text[8];
		EXPECT_EQ(sysfs_read_text(text, sizeof text, "value"), c.ok);
		if (c.ok) {
			EXPECT_EQ(std::string(text),
			    std::string(c.size < 7 ? c.size : 7, '7'));
		}
		unlink(path.c_str());
	}
	rmdir(dir);
}

} // namespace
