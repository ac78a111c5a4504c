// SPDX-License-Identifier: BSD-2-Clause
// The FreeBSD reader and the battery detail section fed arbitrary device
// answers.
//
// The input is the machine: its first byte says whether the battery
// subtree exists, whether the unit count reads and whether -d is given;
// its second byte is the unit count; then each request the section makes
// takes one byte (odd: the request fails) and, when it succeeds, its
// record's bytes.  Every line the section writes must have one of its
// shapes, and every block one header.

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "battery/battery.h"
#include "battery_lines.h"
#include "flags/flags.h"
#include "format/print.h"
#include "line_shapes.h"
#include "platform/acpi_battery.h"
#include "platform/platform.h"
#include "readings/collect.h"

namespace {

const uint8_t *input;
size_t input_left;
bool subtree_present;
bool units_readable;
int unit_count;
const int device_fd = 100;
bool device_open;

uint8_t take_byte()
{
	if (input_left == 0)
		return 0;
	input_left--;
	return *input++;
}

void take_bytes(void *to, size_t size)
{
	size_t n = size < input_left ? size : input_left;
	memcpy(to, input, n);
	memset(static_cast<char *>(to) + n, 0, size - n);
	input += n;
	input_left -= n;
}

// Every line the section may write: the report tests' labels, each with
// the shapes of its values.
std::vector<std::string> make_shapes()
{
	namespace label = battery_label;
	const char *const amounts[] = {label::design_capacity,
	    label::last_full_capacity, label::warn_capacity,
	    label::low_capacity, label::low_warn_granularity,
	    label::warn_full_granularity};
	std::vector<std::string> shapes = {"", "[battery%d]",
	    "\tinvalid battery %d", "\tget battery user info (%d) failed",
	    "\tget battery info (%d) failed",
	    "\tget battery status (%d) failed", "\tBattery not present",
	    "[ACPI Battery (/dev/acpi)]", "\tNo ACPI Battery support.",
	    "'hw.acpi.battery.units' returned -1, weird.."};
	for (const char *a : amounts) {
		shapes.push_back(std::string(a) + "%d\t\t\t\t%uh");
		shapes.push_back(std::string(a) + "unknown");
	}
	const std::pair<const char *, const char *> others[] = {{label::present,
								    "yes"},
	    {label::technology, "primary (non-rechargeable)"},
	    {label::technology, "secondary (rechargeable)"},
	    {label::design_voltage, "%d\t\t\t\tmV"},
	    {label::design_voltage_unknown, "unknown"}, {label::model, "%s"},
	    {label::serial, "%s"}, {label::type, "%s"}, {label::oem, "%s"},
	    {label::state, "%w"},
	    {label::remaining_capacity, "%d\t\t\t\tpercent"},
	    {label::remaining_capacity, "unknown"},
	    {label::remaining_time, "%d:%d"},
	    {label::remaining_time, "unknown"},
	    {label::present_rate, "%d\t\t\t\t%u"},
	    {label::present_rate, "unknown"}, {label::voltage, "%d\t\t\t\tmV"},
	    {label::voltage, "unknown"}};
	for (const auto &[l, value] : others)
		shapes.push_back(std::string(l) + value);
	return shapes;
}

bool known_shape(std::string_view line)
{
	static const std::vector<std::string> shapes = make_shapes();

	for (const std::string &shape : shapes)
		if (line_has_shape(line, shape))
			return true;
	return false;
}

void check_output(std::string_view out)
{
	size_t headers = 0;
	while (!out.empty()) {
		size_t end = out.find('\n');
		if (end == std::string_view::npos) {
			fprintf(stderr, "unterminated line\n");
			abort();
		}
		std::string_view line = out.substr(0, end);
		if (!known_shape(line)) {
			fprintf(stderr, "line of no known shape: [%.*s]\n",
			    static_cast<int>(line.size()), line.data());
			abort();
		}
		headers += line.substr(0, 8) == "[battery";
		out.remove_prefix(end + 1);
	}
	size_t expected = subtree_present && units_readable && unit_count > 0
	    ? static_cast<size_t>(unit_count)
	    : 0;
	if (headers != expected) {
		fprintf(stderr, "%zu blocks for %d units\n", headers,
		    unit_count);
		abort();
	}
}

} // namespace

// The platform layer, answering from the input.

void os_start(int *, char ***)
{
}

int os_getopt(int, char *const[], const char *)
{
	return -1;
}

int os_sysctlbyname(const char *name, void *oldp, size_t *oldlenp, const void *,
    size_t)
{
	if (strcmp(name, "hw.acpi.battery") == 0) {
		errno = subtree_present ? EISDIR : ENOENT;
		return -1;
	}
	if (strcmp(name, "hw.acpi.battery.units") != 0 || !units_readable) {
		errno = ENOENT;
		return -1;
	}
	if (oldp == nullptr || oldlenp == nullptr || *oldlenp < sizeof(int))
		abort();
	memcpy(oldp, &unit_count, sizeof unit_count);
	*oldlenp = sizeof unit_count;
	return 0;
}

int os_sysctl(const int *, unsigned, void *, size_t *, const void *, size_t)
{
	errno = ENOENT;
	return -1;
}

int os_open_acpi(int)
{
	if (device_open)
		abort();
	device_open = true;
	return device_fd;
}

int os_ioctl(int fd, unsigned long request, void *arg)
{
	if (fd != device_fd || !device_open)
		abort();
	size_t size;
	if (request == ACPIIO_BATT_GET_BIF)
		size = sizeof(acpi_bif);
	else if (request == ACPIIO_BATT_GET_BATTINFO)
		size = sizeof(acpi_battinfo);
	else if (request == ACPIIO_BATT_GET_BST)
		size = sizeof(acpi_bst);
	else
		abort();
	if (take_byte() & 1) {
		errno = ENXIO;
		return -1;
	}
	// Only the record: whatever the buffer held past it stays.
	take_bytes(arg, size);
	return 0;
}

int os_close(int fd)
{
	if (fd != device_fd || !device_open)
		abort();
	device_open = false;
	return 0;
}

unsigned os_sleep(unsigned)
{
	return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
	input = data;
	input_left = size;
	uint8_t machine = take_byte();
	subtree_present = (machine & 1) == 0;
	units_readable = (machine & 2) == 0;
	report_flags = machine & 4 ? FLAG_SHOW_ALL : 0;
	unit_count = static_cast<int8_t>(take_byte());

	char *text = nullptr;
	size_t length = 0;
	FILE *out = open_memstream(&text, &length);
	FILE *saved = stdout;
	stdout = out;
	static readings r;
	begin_readings(&r);
	collect_battery_units(&r, true);
	report_battery_device(r);
	report_flush();
	stdout = saved;
	fclose(out);
	if (device_open)
		abort();
	check_output(std::string_view(text, length));
	free(text);
	return 0;
}
