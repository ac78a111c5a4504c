// Linux: the readings from sysfs, in millidegrees Celsius, micro-units and
// seconds.  Each section lists its folders afresh, so that a CPU, zone or
// battery that comes or goes shows in the next report.

#include <err.h>
#include <errno.h>
#include <limits.h>

#include "cpu_extras.h"
#include "cpu_temp.h"
#include "power_supply.h"
#include "readings/collect.h"
#include "supply_list.h"
#include "sysfs_read.h"

namespace {

// Why class/power_supply could not be listed, for the battery section.
int supplies_errno;

} // namespace

void begin_readings(readings *r)
{
	r->source = linux_units;
	sysfs_new_report();
}

namespace {

// The critical temperatures of the CPUs not yet asked about, and the
// packages, each package's throttle count read from its first CPU.
void collect_extras(readings *r, int count)
{
	for (size_t cpu = r->cpus.critical.count;
	     cpu < static_cast<size_t>(count); cpu++)
		*r->cpus.critical.add() =
		    linux_cpu_critical(static_cast<int>(cpu));
	linux_cpu_packages(&r->cpus.packages);
	for (package_reading &p : r->cpus.packages) {
		for (int cpu = 0; cpu < count; cpu++) {
			if (linux_cpu_package(cpu) == p.package) {
				p.throttles = linux_package_throttles(cpu);
				break;
			}
		}
	}
}

} // namespace

void collect_cpus(readings *r)
{
	int count;

	linux_forget_temperatures();
	r->cpus.cpu.clear();
	r->cpus.packages.clear();
	r->cpus.count_known = linux_cpu_count(&count);
	if (!r->cpus.count_known)
		return;
	for (int cpu = 0; cpu < count; cpu++) {
		cpu_reading *c = r->cpus.cpu.add();
		c->known = linux_cpu_temperature(cpu, &c->temperature);
		c->throttling = {-1, -1, -1};
		if (r->extended)
			linux_cpu_throttling(cpu, &c->throttling);
	}
	if (r->extended)
		collect_extras(r, count);
}

void collect_zones(readings *r)
{
	int32_t millicelsius;

	r->zones.temperature.clear();
	for (int zone = 0;
	     zone < INT_MAX && linux_zone_temperature(zone, &millicelsius);
	     zone++)
		*r->zones.temperature.add() = millicelsius;
	if (!r->extended)
		return;
	for (size_t zone = r->zones.limits.count;
	     zone < r->zones.temperature.count; zone++)
		*r->zones.limits.add() =
		    linux_zone_limits(static_cast<int>(zone));
}

// The summary and every unit at once: both come from one listing of
// class/power_supply, which the battery section then only reports on.
void collect_summary(readings *r)
{
	battery_summary &s = r->summary;
	battery_units &b = r->batteries;

	s = {false, -1, -1, -1, -1, -1};
	b.device = battery_device::not_opened;
	b.count = -1;
	if (!list_power_supplies()) {
		supplies_errno = errno;
		return;
	}
	s.units = static_cast<int32_t>(battery_count());
	s.acline = mains_online();
	b.count = s.units;
	b.device = battery_device::listed;
	if (s.units == 0) {
		b.device = battery_device::no_support;
		return;
	}
	s.supported = true;
	s.life = linux_battery_life();
	s.time = linux_battery_time();
	s.state = linux_battery_state();
	for (int unit = 0; unit < read_battery_units(b); unit++)
		linux_battery_unit(static_cast<size_t>(unit), &b.unit[unit],
		    r->extended);
}

void collect_battery_units(readings *r, bool device_required)
{
	if (device_required &&
	    r->batteries.device == battery_device::not_opened) {
		errno = supplies_errno;
		err(72, "/sys/class/power_supply");
	}
}
