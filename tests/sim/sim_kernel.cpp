// SPDX-License-Identifier: BSD-2-Clause
// The simulated kernel behind pelko-sim, used only by the tests.
//
// pelko-sim SCENARIO [ARG...] runs pelko ARG... against the kernel that the
// file SCENARIO describes (tests/README.md has the format).  It also checks
// how the ACPI device is used: a misuse stops the run with status 3.

#include <sys/resource.h>

#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <map>

#include "platform/acpi_battery.h"
#include "platform/cpuctl.h"
#include "platform/platform.h"
#include "scenario.h"
#include "sim_walk.h"
#include "sysctl_value.h"

namespace {

scenario machine;
long sleeps_done;
int device_fd = -1; // the descriptor handed out, -1 while closed
// The cpuctl devices open: descriptor to CPU.
std::map<int, int> cpuctl_fds;
// The monotonic clock, in nanoseconds: it moves by what the sleeps ask.
int64_t clock_ns = 1000 * int64_t{1000000000};

[[noreturn]] __attribute__((format(printf, 1, 2))) void
misuse(const char *format, ...)
{
	va_list ap;

	fflush(stdout);
	fputs("pelko-sim: device misuse: ", stderr);
	va_start(ap, format);
	vfprintf(stderr, format, ap);
	va_end(ap);
	fputc('\n', stderr);
	_exit(3);
}

void check_device_closed_at_exit()
{
	if (device_fd != -1)
		misuse("%s left open at exit", ACPI_DEVICE_PATH);
	if (!cpuctl_fds.empty())
		misuse("/dev/cpuctl%d left open at exit",
		    cpuctl_fds.begin()->second);
}

bool cpuctl_exists(int cpu)
{
	for (const sim_register &r : machine.registers)
		if (r.cpu == cpu)
			return true;
	for (const sim_cpuid &c : machine.cpuids)
		if (c.cpu == cpu)
			return true;
	return false;
}

// A register with no line faults, as rdmsr does on a register the
// processor lacks (EFAULT); a leaf with no line reads as zeros.
int cpuctl_request(int cpu, unsigned long request, void *arg)
{
	if (request == CPUCTL_RDMSR) {
		auto *args = static_cast<cpuctl_msr_args_t *>(arg);
		for (sim_register &r : machine.registers) {
			if (r.cpu != cpu ||
			    r.address != static_cast<uint32_t>(args->msr))
				continue;
			args->data = r.values[r.next];
			if (r.next + 1 < r.values.size())
				r.next++;
			return 0;
		}
		errno = EFAULT;
		return -1;
	}
	if (request == CPUCTL_CPUID) {
		auto *args = static_cast<cpuctl_cpuid_args_t *>(arg);
		memset(args->data, 0, sizeof args->data);
		for (const sim_cpuid &c : machine.cpuids)
			if (c.cpu == cpu &&
			    c.leaf == static_cast<uint32_t>(args->level))
				memcpy(args->data, c.data, sizeof args->data);
		return 0;
	}
	misuse("unknown cpuctl request code %#lx", request);
}

const sim_variable *find_variable(const char *name)
{
	auto found = machine.variables.find(name);
	return found == machine.variables.end() ? nullptr : &found->second;
}

bool is_battery_request(unsigned long request)
{
	return request == ACPIIO_BATT_GET_BATTINFO ||
	    request == ACPIIO_BATT_GET_BIF || request == ACPIIO_BATT_GET_BST ||
	    request == ACPIIO_BATT_GET_BIX;
}

size_t record_size(unsigned long request)
{
	if (request == ACPIIO_BATT_GET_BIF)
		return sizeof(acpi_bif);
	if (request == ACPIIO_BATT_GET_BIX)
		return sizeof(acpi_bix);
	if (request == ACPIIO_BATT_GET_BST)
		return sizeof(acpi_bst);
	return sizeof(acpi_battinfo);
}

} // namespace

void os_start(int *argc, char ***argv)
{
	if (*argc < 2) {
		fputs("usage: pelko-sim SCENARIO [ARG...]\n", stderr);
		exit(2);
	}
	load_scenario((*argv)[1], &machine);
	atexit(check_device_closed_at_exit);
	// What follows the scenario is pelko's own command line.
	(*argv)[1] = const_cast<char *>("pelko");
	(*argv)++;
	(*argc)--;
}

int os_sysctlbyname(const char *name, void *oldp, size_t *oldlenp,
    const void *newp, size_t)
{
	const sim_variable *v = find_variable(name);

	if (v == nullptr) {
		errno = ENOENT;
		return -1;
	}
	if (v->node) {
		errno = EISDIR;
		return -1;
	}
	if (newp != nullptr) {
		errno = EPERM;
		return -1;
	}
	return sysctl_copy_out(v->values.data(), v->values.size(), oldp,
	    oldlenp);
}

int os_sysctl(const int *name, unsigned namelen, void *oldp, size_t *oldlenp,
    const void *newp, size_t newlen)
{
	if (namelen >= 2 && name[0] == 0)
		return sim_walk_sysctl(machine, name, namelen, oldp, oldlenp,
		    newp, newlen);
	bool cpu_count = namelen == 2 && name[0] == 6 && name[1] == 3;
	bool exists = false;
	const sim_variable *v = cpu_count
	    ? nullptr
	    : sim_variable_at(machine, name, namelen, &exists);
	if (cpu_count ? !machine.have_ncpu : !exists) {
		errno = ENOENT;
		return -1;
	}
	if (!cpu_count && (v == nullptr || v->node)) {
		errno = EISDIR;
		return -1;
	}
	if (newp != nullptr) {
		errno = EPERM;
		return -1;
	}
	if (cpu_count)
		return sysctl_copy_out(&machine.ncpu, 1, oldp, oldlenp);
	return sysctl_copy_out(v->values.data(), v->values.size(), oldp,
	    oldlenp);
}

int os_open_acpi(int oflags)
{
	if (device_fd != -1)
		misuse("%s opened while already open", ACPI_DEVICE_PATH);
	if (machine.acpi == acpi_mode::none) {
		errno = ENOENT;
		return -1;
	}
	if (machine.acpi == acpi_mode::read_only &&
	    (oflags & O_ACCMODE) != O_RDONLY) {
		errno = EACCES;
		return -1;
	}
	device_fd = open("/dev/null", O_RDONLY);
	return device_fd;
}

int os_open_cpuctl(int cpu, int)
{
	auto failing = machine.cpuctl_fails.find(cpu);
	if (failing != machine.cpuctl_fails.end()) {
		errno = failing->second;
		return -1;
	}
	if (!cpuctl_exists(cpu)) {
		errno = ENOENT;
		return -1;
	}
	int fd = open("/dev/null", O_RDONLY);
	if (fd != -1)
		cpuctl_fds[fd] = cpu;
	return fd;
}

int os_ioctl(int fd, unsigned long request, void *arg)
{
	auto cpuctl = cpuctl_fds.find(fd);
	if (cpuctl != cpuctl_fds.end())
		return cpuctl_request(cpuctl->second, request, arg);
	if (device_fd == -1 || fd != device_fd)
		misuse("request on descriptor %d, which is not open", fd);
	if (!is_battery_request(request))
		misuse("unknown request code %#lx", request);

	int unit;
	memcpy(&unit, arg, sizeof unit);
	for (sim_answers &a : machine.answers) {
		if (a.request != request || a.unit != unit)
			continue;
		const sim_answer &answer = a.queue[a.next];
		if (a.next + 1 < a.queue.size())
			a.next++;
		if (answer.fails)
			break;
		// Only the record is written; the rest of the buffer stays.
		memcpy(arg, &answer.record, record_size(request));
		return 0;
	}
	errno = ENXIO;
	return -1;
}

int os_close(int fd)
{
	if (cpuctl_fds.erase(fd) == 1)
		return close(fd);
	if (device_fd == -1 || fd != device_fd)
		misuse("close of descriptor %d, which is not open", fd);
	device_fd = -1;
	return close(fd);
}

// The process's own limit: the simulator's descriptors are real ones.
int os_get_open_files_limit(struct rlimit *limit)
{
	return getrlimit(RLIMIT_NOFILE, limit);
}

int os_set_open_files_limit(const struct rlimit *limit)
{
	return setrlimit(RLIMIT_NOFILE, limit);
}

int os_clock_gettime_monotonic(struct timespec *now)
{
	now->tv_sec = static_cast<time_t>(clock_ns / 1000000000);
	now->tv_nsec = static_cast<long>(clock_ns % 1000000000);
	return 0;
}

int os_nanosleep(const struct timespec *pause)
{
	clock_ns +=
	    static_cast<int64_t>(pause->tv_sec) * 1000000000 + pause->tv_nsec;
	return 0;
}

unsigned os_sleep(unsigned seconds)
{
	clock_ns += static_cast<int64_t>(seconds) * 1000000000;
	fprintf(stderr, "sleep %u\n", seconds);
	if (machine.cycles == 0)
		return sleep(seconds);
	if (++sleeps_done == machine.cycles)
		exit(0);
	return 0;
}
