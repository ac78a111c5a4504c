// SPDX-License-Identifier: BSD-2-Clause
// The Linux reader over arbitrary sysfs file contents.
//
// A copy of a fixture tree is made once; each input then replaces one of
// its files (the first byte picks which, the rest is the content) and the
// reader reads the whole record of a report.  The number parser
// and the bounded reader are checked against the raw bytes as well.

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "readings/collect.h"
#include "readings/linux/sysfs_list.h"

namespace {

std::string tree;

const char *const files[] = {
    "devices/system/cpu/cpu0/topology/core_id",
    "devices/system/cpu/cpu1/topology/physical_package_id",
    "class/hwmon/hwmon3/name",
    "class/hwmon/hwmon3/temp1_label",
    "class/hwmon/hwmon3/temp2_label",
    "class/hwmon/hwmon3/temp2_input",
    "class/thermal/thermal_zone0/temp",
    "class/power_supply/AC/online",
    "class/power_supply/AC/type",
    "class/power_supply/BAT0/type",
    "class/power_supply/BAT0/status",
    "class/power_supply/BAT0/present",
    "class/power_supply/BAT0/energy_now",
    "class/power_supply/BAT0/energy_full",
    "class/power_supply/BAT0/power_now",
    "class/power_supply/BAT0/model_name",
    "class/power_supply/BAT1/charge_now",
    "class/power_supply/BAT1/charge_full",
    "class/power_supply/BAT1/current_now",
    "class/power_supply/BAT1/voltage_min_design",
    "class/power_supply/BAT1/capacity",
    "class/power_supply/BAT1/scope",
};
constexpr size_t file_count = sizeof files / sizeof files[0];

void copy_tree()
{
	char dir[] = "/tmp/pelko-fuzz-sysfs-XXXXXX";
	if (mkdtemp(dir) == nullptr)
		abort();
	tree = dir;
	std::string copy =
	    "cp -a " PELKO_FIXTURES "/sysfs/two-batteries/. " + tree;
	if (system(copy.c_str()) != 0)
		abort();
}

void write_file(const std::string &path, const uint8_t *data, size_t size)
{
	int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
	if (fd < 0 || write(fd, data, size) != static_cast<ssize_t>(size))
		abort();
	close(fd);
}

// The parser and the reader agree with the bytes.
void check_reading(const uint8_t *data, size_t size, const char *name)
{
	std::string bytes(reinterpret_cast<const char *>(data), size);
	char text[sysfs_max_file + 1];
	bool read = sysfs_read_text(nullptr, text, sizeof text, "%s", name);
	if (read != (size > 0 && size < sysfs_max_file))
		abort();
	if (!read)
		return;
	// One trailing newline goes; a NUL ends the text.
	std::string expected = bytes;
	if (!expected.empty() && expected.back() == '\n')
		expected.pop_back();
	std::string c_text = expected.substr(0, expected.find('\0'));
	if (c_text != text)
		abort();

	int32_t value;
	if (sysfs_parse_int(c_text.c_str(), &value)) {
		char *end;
		errno = 0;
		long long exact = strtoll(c_text.c_str(), &end, 10);
		if (*end != '\0' || errno != 0 || exact != value ||
		    c_text[0] == '+' || c_text[0] == ' ')
			abort();
	}
}

// The whole record of one report: percentages stay within 0 to 100 or
// unknown, and every string keeps its NUL.
void read_everything()
{
	static readings r;

	begin_readings(&r);
	collect_cpus(&r);
	collect_zones(&r);
	collect_summary(&r);
	collect_battery_units(&r, false);
	auto beyond = [](sensor_value percent) {
		return percent.known &&
		    (percent.value < 0 || percent.value > 100);
	};
	if (beyond(r.summary.life))
		abort();
	for (int unit = 0; unit < read_battery_units(r.batteries); unit++) {
		const battery_unit &u = r.batteries.unit[unit];
		if (beyond(u.percent) ||
		    u.model[battery_string_size - 1] != '\0' ||
		    u.oem[battery_string_size - 1] != '\0')
			abort();
	}
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
	if (tree.empty())
		copy_tree();
	if (size == 0)
		return 0;
	const char *name = files[data[0] % file_count];
	std::string path = tree + "/" + name;
	// The file as the fixture has it, put back after the run.
	std::string saved;
	FILE *f = fopen(path.c_str(), "r");
	if (f != nullptr) {
		char buffer[256];
		saved.assign(buffer, fread(buffer, 1, sizeof buffer, f));
		fclose(f);
	}
	write_file(path, data + 1, size - 1);
	sysfs_set_root(tree.c_str());
	check_reading(data + 1, size - 1, name);
	read_everything();
	if (f == nullptr)
		unlink(path.c_str());
	else
		write_file(path,
		    reinterpret_cast<const uint8_t *>(saved.data()),
		    saved.size());
	return 0;
}
