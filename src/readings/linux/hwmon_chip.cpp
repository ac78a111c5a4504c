// SPDX-License-Identifier: BSD-2-Clause
#include <stdio.h>
#include <string.h>

#include "hwmon_chip.h"
#include "sysfs_read.h"

namespace {

// A number in the base at *text, at least one digit of it; *text moves
// past its digits.
bool number(const char **text, int base, unsigned long *value)
{
	const char *p = *text;
	unsigned long v = 0;

	for (;; p++) {
		int digit = *p >= '0' && *p <= '9' ? *p - '0'
		    : *p >= 'a' && *p <= 'f'	   ? *p - 'a' + 10
						   : base;
		if (digit >= base)
			break;
		v = v * static_cast<unsigned long>(base) +
		    static_cast<unsigned long>(digit);
	}
	if (p == *text)
		return false;
	*value = v;
	*text = p;
	return true;
}

// A number in the base, then the separator; *text moves past both.
bool number_then(const char **text, int base, char separator,
    unsigned long *value)
{
	if (!number(text, base, value) || **text != separator)
		return false;
	++*text;
	return true;
}

// The address parts of a chip's name from its device's name, each where
// the name starts with the shape: "D:B:S.F" for a PCI function, "N-ADDR"
// for an I2C client, and for a platform device the decimal number after
// its first dot, 0 where there is none ("coretemp.1", "18000000.wifi").
bool pci_address(const char *name, char *text, size_t size)
{
	unsigned long domain, bus, slot, function;
	const char *p = name;

	if (!number_then(&p, 16, ':', &domain) ||
	    !number_then(&p, 16, ':', &bus) ||
	    !number_then(&p, 16, '.', &slot) || !number(&p, 16, &function))
		return false;
	snprintf(text, size, "pci-%04lx",
	    (domain << 16) + (bus << 8) + (slot << 3) + function);
	return true;
}

bool i2c_address(const char *name, char *text, size_t size)
{
	unsigned long adapter, address;
	const char *p = name;

	if (!number_then(&p, 10, '-', &adapter) || !number(&p, 16, &address))
		return false;
	snprintf(text, size, "i2c-%lu-%02lx", adapter, address);
	return true;
}

void platform_address(const char *name, char *text, size_t size)
{
	const char *dot = strchr(name, '.');
	const char *p = dot != nullptr ? dot + 1 : "";
	unsigned long index;

	if (!number(&p, 10, &index))
		index = 0;
	snprintf(text, size, "isa-%04lx", index);
}

// The bus and address part of a chip's name, from its device: its
// subsystem says the bus, its name the address.  A device without a
// subsystem link (kernels before 2.6.18) is on the bus its name's shape
// says.  A class device (an NVMe controller) is named after the bus
// device it belongs to.
bool bus_address(const char *device, char *text, size_t size)
{
	char name[256], bus[64];

	if (!sysfs_link_name(name, sizeof name, "%s", device))
		return false;
	if (!sysfs_link_name(bus, sizeof bus, "%s/subsystem", device)) {
		if (!i2c_address(name, text, size) &&
		    !pci_address(name, text, size))
			platform_address(name, text, size);
		return true;
	}
	if (strcmp(bus, "pci") == 0)
		return pci_address(name, text, size);
	if (strcmp(bus, "platform") == 0 || strcmp(bus, "of_platform") == 0) {
		platform_address(name, text, size);
		return true;
	}
	if (strcmp(bus, "acpi") == 0) {
		snprintf(text, size, "acpi-0");
		return true;
	}
	if (strcmp(bus, "i2c") == 0)
		return i2c_address(name, text, size);
	return false;
}

} // namespace

bool linux_hwmon_name(bool *missing, char (&name)[32], int hwmon,
    const char *path)
{
	return sysfs_read_text(nullptr, missing, name, sizeof name,
	    "class/hwmon/hwmon%d/%s", hwmon, path);
}

void linux_hwmon_chip_name(hwmon_chip *c)
{
	char name[32], where[24], device[40], parent[48];

	if (c->chip[0] != '\0')
		return;
	memcpy(name, c->name, sizeof name);
	// A chip without a name (older drivers) goes by its hwmon folder.
	if (name[0] == '\0' &&
	    !linux_hwmon_name(&c->no_device_name, name, c->hwmon,
		"device/name")) {
		snprintf(c->chip, sizeof c->chip, "hwmon%d", c->hwmon);
		return;
	}
	snprintf(device, sizeof device, "class/hwmon/hwmon%d/device", c->hwmon);
	snprintf(parent, sizeof parent, "%s/device", device);
	if (!bus_address(device, where, sizeof where) &&
	    !bus_address(parent, where, sizeof where))
		snprintf(where, sizeof where, "virtual-0");
	snprintf(c->chip, sizeof c->chip, "%s-%s", name, where);
}
