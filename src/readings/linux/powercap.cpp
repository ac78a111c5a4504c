// SPDX-License-Identifier: BSD-2-Clause
// Linux: the processor's energy counters, the powercap zones whose name is
// a RAPL domain ("package-N", or "package" on some AMD kernels, "core",
// "uncore", "dram", "psys"), zones and subzones alike, each by its own
// folder name under class/powercap ("intel-rapl:0", "intel-rapl:0:1"):
// energy_uj, which is readable by root alone on current kernels, and
// max_energy_range_uj, where it wraps.

#include <errno.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "readings/power.h"
#include "sysfs_list.h"

namespace {

// A zone as it is kept, with its counter's files, and whether its range
// or its counter was found missing.
struct kept_zone {
	power_domain_reading d;
	sysfs_file energy, range;
	bool no_range, no_energy;
};

bool is_rapl_name(const char *name)
{
	static const char *const names[] = {"package", "core", "uncore", "dram",
	    "psys"};
	if (strncmp(name, "package-", 8) == 0 && name[8] >= '0' &&
	    name[8] <= '9')
		return true;
	for (const char *n : names)
		if (strcmp(name, n) == 0)
			return true;
	return false;
}

// Zones by folder name in the order of their numbers: "intel-rapl:0:10" after
// "intel-rapl:0:9", a zone before its subzones.
int by_key(const void *a, const void *b)
{
	const char *x = static_cast<const kept_zone *>(a)->d.domain;
	const char *y = static_cast<const kept_zone *>(b)->d.domain;

	while (*x != '\0' && *y != '\0') {
		bool dx = *x >= '0' && *x <= '9', dy = *y >= '0' && *y <= '9';
		if (dx && dy) {
			char *ex, *ey;
			unsigned long nx = strtoul(x, &ex, 10);
			unsigned long ny = strtoul(y, &ey, 10);
			if (nx != ny)
				return nx < ny ? -1 : 1;
			x = ex;
			y = ey;
			continue;
		}
		if (*x != *y)
			return static_cast<unsigned char>(*x) <
				static_cast<unsigned char>(*y)
			    ? -1
			    : 1;
		x++;
		y++;
	}
	return (*x != '\0') - (*y != '\0');
}

// The -x name of a zone: "package-0" as "package0" ("package-0-die-1",
// of a processor of several dies, as "package0-die-1"), an unnumbered
// "package" with its zone's number; a subzone after its zone's,
// "package0 core".
void label_of(const grow_list<kept_zone> &list, power_domain_reading *d)
{
	const char *colon = strrchr(d->domain, ':');
	size_t parent =
	    colon == nullptr ? 0 : static_cast<size_t>(colon - d->domain);

	for (const kept_zone &k : list) {
		const power_domain_reading &z = k.d;
		if (&z != d && strlen(z.domain) == parent &&
		    strncmp(z.domain, d->domain, parent) == 0 &&
		    z.label[0] != '\0') {
			snprintf(d->label, sizeof d->label, "%.15s %.15s",
			    z.label, d->name);
			return;
		}
	}
	if (strncmp(d->name, "package-", 8) == 0)
		snprintf(d->label, sizeof d->label, "package%.20s",
		    d->name + 8);
	else if (strcmp(d->name, "package") == 0 && colon != nullptr)
		snprintf(d->label, sizeof d->label, "package%s", colon + 1);
	else
		snprintf(d->label, sizeof d->label, "%s", d->name);
}

// The zone's count and range, in microjoules.
void read_zone(power_readings *p, kept_zone *k, power_domain_reading *d)
{
	d->per = 1000000;
	if (!k->no_range) {
		errno = 0;
		d->range.known = sysfs_read_count(&k->range, &d->range.value,
		    "class/powercap/%s/max_energy_range_uj", d->domain);
		k->no_range = !d->range.known && errno == ENOENT;
	}
	errno = k->no_energy ? ENOENT : 0;
	d->energy.known = !k->no_energy &&
	    sysfs_read_count(&k->energy, &d->energy.value,
		"class/powercap/%s/energy_uj", d->domain);
	if (d->energy.known)
		return;
	k->no_energy = errno == ENOENT;
	if (errno != 0 && p->failed[0] == '\0') {
		snprintf(p->failed, sizeof p->failed,
		    "/sys/class/powercap/%s/energy_uj", d->domain);
		p->error = errno;
	}
}

// The RAPL zones by folder name, with their names and labels, kept while
// class/powercap keeps its version and no device event comes: a zone's
// name is fixed when the kernel makes it.  Whether class lists powercap
// is kept the same way, so that a machine without it is not looked at
// again while nothing changes.
grow_list<kept_zone> zones;
sysfs_stamp class_stamp, zones_stamp;
bool have_powercap;

bool list_zones()
{
	if (sysfs_restamp(&class_stamp, "class") != sysfs_change::none) {
		have_powercap = false;
		sysfs_list("class", [](const char *name) {
			have_powercap =
			    have_powercap || strcmp(name, "powercap") == 0;
		});
	}
	if (!have_powercap) {
		zones.clear();
		return false;
	}
	if (sysfs_restamp(&zones_stamp, "class/powercap") == sysfs_change::none)
		return true;
	zones.clear();
	sysfs_list("class/powercap", [&](const char *entry) {
		char name[power_text_size];
		if (strlen(entry) >= power_text_size ||
		    !sysfs_read_text(nullptr, name, sizeof name,
			"class/powercap/%s/name", entry) ||
		    !is_rapl_name(name))
			return;
		power_domain_reading *d = &zones.add()->d;
		memcpy(d->domain, entry, strlen(entry) + 1);
		memcpy(d->name, name, sizeof name);
	});
	static_assert(offsetof(kept_zone, d) == 0);
	zones.sort(by_key);
	for (kept_zone &k : zones)
		label_of(zones, &k.d);
	return true;
}

} // namespace

void read_power_counters(power_readings *p)
{
	grow_list<power_domain_reading> &list = p->domain;

	if (!list_zones())
		return;
	for (kept_zone &k : zones) {
		power_domain_reading *d = list.add();
		*d = k.d;
		read_zone(p, &k, d);
	}
}
