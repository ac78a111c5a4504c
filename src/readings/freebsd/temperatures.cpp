// FreeBSD: the CPU and zone temperatures from kernel variables, in the
// kernel's tenths of a kelvin.

#include <limits.h>

#include "kernel/kernel.h"
#include "readings/collect.h"

void begin_readings(readings *r)
{
	r->source = freebsd_units;
}

// CPU cpu's reading: its variable exists and reads.  A read that fails
// after the probe succeeded counts as no reading: no number is ever shown
// that was not read.
static cpu_reading read_cpu(int cpu)
{
	cpu_reading reading = {false, 0};
	text_ptr name = format_text("dev.cpu.%i.temperature", cpu);

	if (sysctl_exists(name.get())) {
		text_ptr again = format_text("dev.cpu.%i.temperature", cpu);
		reading.known =
		    sysctl_read_int(again.get(), &reading.temperature);
	}
	return reading;
}

void collect_cpus(readings *r)
{
	int count;

	r->cpus.cpu.clear();
	r->cpus.count_known = read_cpu_count(&count);
	if (!r->cpus.count_known)
		return;
	for (int cpu = 0; cpu < count; cpu++)
		*r->cpus.cpu.add() = read_cpu(cpu);
}

void collect_zones(readings *r)
{
	r->zones.temperature.clear();
	for (int zone = 0; zone < INT_MAX; zone++) {
		int32_t raw;
		text_ptr name =
		    format_text("hw.acpi.thermal.tz%i.temperature", zone);
		if (!sysctl_read_int(name.get(), &raw))
			return;
		*r->zones.temperature.add() = raw;
	}
}
