// SPDX-License-Identifier: BSD-2-Clause
#include <stddef.h>

#include "cooling.h"
#include "sysfs_list.h"

namespace {

// What is kept of each device, by its number: its files, and those found
// missing, which are not looked for again until class/thermal changes.
// A device's files come with its driver, and a driver that comes or goes
// is a device event.
struct cooling_files {
	int number;
	sysfs_file type, state, max_state;
	bool no_type, no_state, no_max_state;
};

grow_list<cooling_files> files_now, files_before;
sysfs_stamp cooling_stamp;

// The device's attribute, unless it was found missing.
bool read_attribute(sysfs_file *file, bool *missing, char *text, size_t size,
    const char *name, int device)
{
	return sysfs_read_text(file, missing, text, size,
	    "class/thermal/cooling_device%d/%s", device, name);
}

// A state: a whole number, which a driver may give as -1 while it idles.
sensor_value read_state(sysfs_file *file, bool *missing, const char *name,
    int device)
{
	char text[32];
	int32_t value = 0;
	bool known =
	    read_attribute(file, missing, text, sizeof text, name, device) &&
	    sysfs_parse_number(text, &value);
	return {known, value};
}

} // namespace

void linux_cooling_devices(grow_list<cooling_reading> *devices)
{
	static_assert(offsetof(cooling_reading, number) == 0);
	static_assert(offsetof(cooling_files, number) == 0);
	devices->clear();
	sysfs_list_numbered("class/thermal", "cooling_device", devices);
	bool same = sysfs_restamp(&cooling_stamp, "class/thermal") ==
	    sysfs_change::none;
	files_now.swap(files_before);
	files_now.clear();
	for (cooling_reading &d : *devices) {
		cooling_files *f = files_now.add();
		f->number = d.number;
		if (const cooling_files *before =
			files_before.find_number(d.number))
			*f = *before;
		if (!same)
			f->no_type = f->no_state = f->no_max_state = false;
		if (!read_attribute(&f->type, &f->no_type, d.type,
			sizeof d.type, "type", d.number))
			d.type[0] = '\0';
		d.state =
		    read_state(&f->state, &f->no_state, "cur_state", d.number);
		d.max_state = read_state(&f->max_state, &f->no_max_state,
		    "max_state", d.number);
	}
}
