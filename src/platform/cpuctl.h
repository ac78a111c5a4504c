// SPDX-License-Identifier: BSD-2-Clause
// The requests of the cpuctl(4) devices: a model-specific register, and
// CPUID, of one CPU.
//
// FreeBSD's own definitions are used where they exist; elsewhere records of
// the same layout stand in for them, so that the FreeBSD reader and the
// simulator compile unchanged.  The checks at the end hold on every system.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__FreeBSD__)

#include <sys/types.h>
#include <sys/cpuctl.h>
#include <sys/ioctl.h>

#else

#include "acpi_battery.h"

typedef struct {
	int msr; // the register's address, as an int
	uint64_t data;
} cpuctl_msr_args_t;

typedef struct {
	int level;	  // the CPUID leaf
	uint32_t data[4]; // EAX, EBX, ECX, EDX
} cpuctl_cpuid_args_t;

#define CPUCTL_RDMSR bsd_iowr('c', 1, sizeof(cpuctl_msr_args_t))
#define CPUCTL_CPUID bsd_iowr('c', 3, sizeof(cpuctl_cpuid_args_t))

#endif

static_assert(CPUCTL_RDMSR == 0xC0106301UL);
static_assert(CPUCTL_CPUID == 0xC0146303UL);
static_assert(sizeof(cpuctl_msr_args_t) == 16);
static_assert(offsetof(cpuctl_msr_args_t, data) == 8);
static_assert(sizeof(cpuctl_cpuid_args_t) == 20);
