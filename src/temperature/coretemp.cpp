#include <stdio.h>

#include "flags/flags.h"
#include "kernel/kernel.h"
#include "temperature.h"

static const char cpu_temp_name[] = "dev.cpu.%i.temperature";

// The CPU's reading; false when it cannot be read.
static bool cpu_temp_raw(int cpu, int *raw)
{
	text_ptr name = format_text(cpu_temp_name, cpu);

	return sysctl_read_int(name.get(), raw);
}

bool cpu_temperature(int cpu, int *raw)
{
	text_ptr name = format_text(cpu_temp_name, cpu);

	// A read that fails after the probe succeeded counts as no reading: no
	// number is ever shown that was not read.
	return sysctl_exists(name.get()) && cpu_temp_raw(cpu, raw);
}

void print_cpu_temp(int cpu)
{
	int raw;

	if (!cpu_temperature(cpu, &raw)) {
		printf("\tCPU%i:\t\t\t\tCannot get temperature\n", cpu);
		return;
	}
	printf("\tCPU%i:\t\t\t\t%.1lf\t\t\t\t%c\n", cpu, convert_temp(raw),
	    temp_unit_char());
}

void report_coretemp()
{
	int count;

	if (!read_cpu_count(&count)) {
		show_notice("\n[Coretemp]\n\tCan't get number of cpus.",
		    report_flags);
		return;
	}
	puts("[Coretemp]");
	for (int cpu = 0; cpu < count; cpu++)
		print_cpu_temp(cpu);
}
