// SPDX-License-Identifier: BSD-2-Clause
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "hwmon_chip.h"
#include "readings/grow_list.h"
#include "sysfs_read.h"

namespace {

// A number in the base at *text, then the separator (or the text's end
// for '\0'); *text moves past both.
bool number_then(const char **text, int base, char separator,
    unsigned long *value)
{
	char *end;

	if (**text < '0' || **text > 'f')
		return false;
	*value = strtoul(*text, &end, base);
	if (end == *text || *end != separator)
		return false;
	*text = separator == '\0' ? end : end + 1;
	return true;
}

// The bus and address part of a chip's name, from its device: its
// subsystem says the bus, its name the address.  A class device (an NVMe
// controller) is named after the bus device it belongs to.
bool bus_address(const char *device, char *text, size_t size)
{
	char name[256], bus[64];

	if (!sysfs_link_name(name, sizeof name, "%s", device) ||
	    !sysfs_link_name(bus, sizeof bus, "%s/subsystem", device))
		return false;
	const char *p = name;
	unsigned long domain, number, slot, function, index, address;
	if (strcmp(bus, "pci") == 0 && number_then(&p, 16, ':', &domain) &&
	    number_then(&p, 16, ':', &number) &&
	    number_then(&p, 16, '.', &slot) &&
	    number_then(&p, 16, '\0', &function)) {
		snprintf(text, size, "pci-%04lx",
		    (domain << 16) + (number << 8) + (slot << 3) + function);
		return true;
	}
	if (strcmp(bus, "platform") == 0 || strcmp(bus, "of_platform") == 0) {
		const char *dot = strrchr(name, '.');
		p = dot != nullptr ? dot + 1 : "";
		if (!number_then(&p, 10, '\0', &index))
			index = 0;
		snprintf(text, size, "isa-%04lx", index);
		return true;
	}
	if (strcmp(bus, "acpi") == 0) {
		snprintf(text, size, "acpi-0");
		return true;
	}
	if (strcmp(bus, "i2c") == 0 && number_then(&p, 10, '-', &index) &&
	    number_then(&p, 16, '\0', &address)) {
		snprintf(text, size, "i2c-%lu-%02lx", index, address);
		return true;
	}
	return false;
}

// The chips named in earlier reports: a chip's device does not change
// while its hwmon number and name stay and no device event comes between
// (the epoch), so its links are read once.
struct named_chip {
	int hwmon;
	char name[32];
	char chip[sensor_chip_size];
};

grow_list<named_chip> named;
uint64_t named_epoch;

} // namespace

bool linux_hwmon_chip_name(int hwmon, char (&chip)[sensor_chip_size])
{
	char name[32], where[24], device[40], parent[48];

	if (!sysfs_read_text(name, sizeof name, "class/hwmon/hwmon%d/name",
		hwmon) &&
	    !sysfs_read_text(name, sizeof name,
		"class/hwmon/hwmon%d/device/name", hwmon))
		return false;
	if (named_epoch != sysfs_epoch()) {
		named.clear();
		named_epoch = sysfs_epoch();
	}
	named_chip *known = nullptr;
	for (named_chip &n : named)
		if (n.hwmon == hwmon)
			known = &n;
	if (known != nullptr && strcmp(known->name, name) == 0) {
		memcpy(chip, known->chip, sizeof chip);
		return true;
	}
	if (known == nullptr)
		known = named.add();
	snprintf(device, sizeof device, "class/hwmon/hwmon%d/device", hwmon);
	snprintf(parent, sizeof parent, "%s/device", device);
	if (!bus_address(device, where, sizeof where) &&
	    !bus_address(parent, where, sizeof where))
		snprintf(where, sizeof where, "virtual-0");
	snprintf(chip, sizeof chip, "%s-%s", name, where);
	known->hwmon = hwmon;
	memcpy(known->name, name, sizeof known->name);
	memcpy(known->chip, chip, sizeof chip);
	return true;
}
