// SPDX-License-Identifier: BSD-2-Clause
// FreeBSD: the processor's energy counters, model-specific registers read
// through cpuctl(4), one CPU of each package (and on AMD of each core), as
// CPUID tells them apart: the package is the initial APIC ID with the
// package's logical processors shifted out, the core the same with the
// core's threads.
//
// Intel: the unit in MSR_RAPL_POWER_UNIT (0x606), 1/2^ESU J from bits
// 12:8; the package (0x611), its cores (0x639), its graphics (0x641, the
// "uncore" of Linux's names), its DRAM (0x619) and, once, the platform
// (0x64D).  The server models count DRAM in a fixed 1/2^16 J (15.3 µJ)
// whatever the unit says; the others in the unit.  AMD family 17h and
// later (and Hygon): the unit in 0xC0010299, the package (0xC001029B) and
// each core (0xC001029A).  Every counter is 32 bits wide and wraps.  A
// register that does not read leaves its domain out: the processor has
// none.

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>

#include "kernel/kernel.h"
#include "platform/cpuctl.h"
#include "platform/platform.h"
#include "readings/power.h"

namespace {

enum class vendor : uint8_t { other, intel, amd };

struct processor {
	vendor maker = vendor::other;
	unsigned family = 0, model = 0;
	int package = -1, core = -1;
};

constexpr int msr_intel_unit = 0x606;
constexpr int msr_intel_package = 0x611;
constexpr int msr_intel_dram = 0x619;
constexpr int msr_intel_cores = 0x639;
constexpr int msr_intel_graphics = 0x641;
constexpr int msr_intel_platform = 0x64D;
constexpr uint32_t msr_amd_unit = 0xC0010299;
constexpr uint32_t msr_amd_cores = 0xC001029A;
constexpr uint32_t msr_amd_package = 0xC001029B;

// The Intel models whose DRAM counts in 1/2^16 J: the server parts from
// Haswell on, and Xeon Phi.
constexpr unsigned fixed_dram_models[] = {0x3F, 0x4F, 0x56, 0x55, 0x57, 0x85,
    0x6A, 0x6C, 0x8F, 0xCF, 0xAD, 0xAE};
constexpr int fixed_dram_esu = 16;

void note(power_readings *p, int cpu, int error)
{
	if (p->failed[0] != '\0')
		return;
	snprintf(p->failed, sizeof p->failed, "/dev/cpuctl%d", cpu);
	p->error = error;
}

bool cpuid(int fd, unsigned leaf, uint32_t (&data)[4])
{
	cpuctl_cpuid_args_t args = {};

	args.level = static_cast<int>(leaf);
	if (os_ioctl(fd, CPUCTL_CPUID, &args) == -1)
		return false;
	memcpy(data, args.data, sizeof data);
	return true;
}

bool rdmsr(int fd, uint32_t address, uint64_t *value)
{
	cpuctl_msr_args_t args = {};

	args.msr = static_cast<int>(address);
	if (os_ioctl(fd, CPUCTL_RDMSR, &args) == -1)
		return false;
	*value = args.data;
	return true;
}

// The smallest s with 2^s >= n.
int shift_for(unsigned n)
{
	int s = 0;
	while (s < 8 && (1u << s) < n)
		s++;
	return s;
}

// Who made the CPU, its family and model, its package and core.
bool identify(int fd, processor *c)
{
	uint32_t id[4], one[4];

	if (!cpuid(fd, 0, id) || !cpuid(fd, 1, one))
		return false;
	char maker[13];
	memcpy(maker, &id[1], 4);
	memcpy(maker + 4, &id[3], 4);
	memcpy(maker + 8, &id[2], 4);
	maker[12] = '\0';
	if (strcmp(maker, "GenuineIntel") == 0)
		c->maker = vendor::intel;
	else if (strcmp(maker, "AuthenticAMD") == 0 ||
	    strcmp(maker, "HygonGenuine") == 0)
		c->maker = vendor::amd;
	c->family = one[0] >> 8 & 0xF;
	c->model = one[0] >> 4 & 0xF;
	if (c->family == 0xF)
		c->family += one[0] >> 20 & 0xFF;
	if (c->family == 6 || c->family >= 0xF)
		c->model |= (one[0] >> 16 & 0xF) << 4;
	unsigned apic = one[1] >> 24;
	unsigned logical = (one[3] & 1u << 28) != 0 ? one[1] >> 16 & 0xFF : 1;
	c->package = static_cast<int>(apic >> shift_for(logical));
	uint32_t topology[4];
	unsigned threads = 1;
	if (c->maker == vendor::amd && cpuid(fd, 0x8000001E, topology))
		threads = (topology[1] >> 8 & 0xFF) + 1;
	c->core = static_cast<int>(apic >> shift_for(threads));
	return true;
}

struct domain_kind {
	uint32_t address;
	const char *name;  // nullptr: the package's, "package-N"
	const char *label; // after "packageN "; nullptr: the name alone
};

// The counter at address as a domain of the list, in units of 1/2^esu J,
// under the key of the CPU and register read ("cpu0:0x611").
void add_domain(power_readings *p, int fd, int cpu, uint32_t address, int esu,
    const char *name, const char *label)
{
	uint64_t raw;

	if (!rdmsr(fd, address, &raw))
		return;
	power_domain_reading *d = p->domain.add();
	snprintf(d->domain, sizeof d->domain, "cpu%d:%#x", cpu, address);
	snprintf(d->name, sizeof d->name, "%s", name);
	snprintf(d->label, sizeof d->label, "%s", label);
	d->energy = {true, static_cast<int64_t>(raw & 0xFFFFFFFF)};
	d->per = int64_t{1} << esu;
	d->range = {true, int64_t{1} << 32};
}

bool seen(const int *list, int count, int value)
{
	for (int i = 0; i < count; i++)
		if (list[i] == value)
			return true;
	return false;
}

// What the machine reads once: the packages and cores seen so far.
struct walk {
	int packages[256] = {}, package_count = 0;
	int cores[1024] = {}, core_count = 0;
	bool platform = false;
};

void read_intel(power_readings *p, int fd, int cpu, const processor &c, walk *w)
{
	uint64_t unit;
	char name[power_text_size], label[power_text_size];

	if (!rdmsr(fd, msr_intel_unit, &unit)) {
		note(p, cpu, errno);
		return;
	}
	int esu = static_cast<int>(unit >> 8 & 0x1F);
	int dram_esu = esu;
	for (unsigned m : fixed_dram_models)
		if (c.family == 6 && c.model == m)
			dram_esu = fixed_dram_esu;
	snprintf(name, sizeof name, "package-%d", c.package);
	snprintf(label, sizeof label, "package%d", c.package);
	add_domain(p, fd, cpu, msr_intel_package, esu, name, label);
	const domain_kind parts[] = {{msr_intel_cores, "core", "core"},
	    {msr_intel_graphics, "uncore", "uncore"},
	    {msr_intel_dram, "dram", "dram"}};
	for (const domain_kind &k : parts) {
		snprintf(label, sizeof label, "package%d %s", c.package,
		    k.label);
		add_domain(p, fd, cpu, k.address,
		    k.address == msr_intel_dram ? dram_esu : esu, k.name,
		    label);
	}
	if (!w->platform) {
		w->platform = true;
		add_domain(p, fd, cpu, msr_intel_platform, esu, "psys", "psys");
	}
}

void read_amd(power_readings *p, int fd, int cpu, const processor &c,
    bool package, walk *w)
{
	uint64_t unit;
	char name[power_text_size], label[power_text_size];

	if (c.family < 0x17) {
		note(p, cpu, ENOTSUP);
		return;
	}
	if (!rdmsr(fd, msr_amd_unit, &unit)) {
		note(p, cpu, errno);
		return;
	}
	int esu = static_cast<int>(unit >> 8 & 0x1F);
	if (package) {
		snprintf(name, sizeof name, "package-%d", c.package);
		snprintf(label, sizeof label, "package%d", c.package);
		add_domain(p, fd, cpu, msr_amd_package, esu, name, label);
	}
	int core = c.package << 12 | c.core;
	if (seen(w->cores, w->core_count, core) ||
	    w->core_count == static_cast<int>(sizeof w->cores / sizeof(int)))
		return;
	w->cores[w->core_count++] = core;
	snprintf(label, sizeof label, "CPU%d core", cpu);
	add_domain(p, fd, cpu, msr_amd_cores, esu, "core", label);
}

// The domains that CPU cpu reads for the machine: its package's, where no
// CPU before it was of that package; on AMD its core's too.
void read_cpu(power_readings *p, int cpu, walk *w)
{
	int fd = os_open_cpuctl(cpu, O_RDONLY);
	processor c;

	if (fd == -1) {
		note(p, cpu, errno);
		return;
	}
	if (!identify(fd, &c)) {
		note(p, cpu, errno);
	} else {
		bool first = !seen(w->packages, w->package_count, c.package) &&
		    w->package_count <
			static_cast<int>(sizeof w->packages / sizeof(int));
		if (first)
			w->packages[w->package_count++] = c.package;
		if (c.maker == vendor::amd)
			read_amd(p, fd, cpu, c, first, w);
		else if (c.maker == vendor::intel && first)
			read_intel(p, fd, cpu, c, w);
		else if (c.maker == vendor::other)
			note(p, cpu, ENOTSUP);
	}
	os_close(fd);
}

} // namespace

void read_power_counters(power_readings *p)
{
	int count;
	walk w;

	if (!read_cpu_count(&count))
		return;
	for (int cpu = 0; cpu < count; cpu++)
		read_cpu(p, cpu, &w);
}
