// SPDX-License-Identifier: BSD-2-Clause
// The battery requests of the ACPI device and their result records.
//
// FreeBSD's own definitions are used where they exist; elsewhere records of
// the same layout stand in for them, so that the FreeBSD reader and the
// simulator compile unchanged.  The checks at the end hold on every system.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__FreeBSD__)

#include <sys/types.h>
#include <sys/ioctl.h>
#include <dev/acpica/acpiio.h>

#else

#define ACPI_CMBAT_MAXSTRLEN 32

struct acpi_battinfo {
	int cap;   // remaining capacity, percent
	int min;   // remaining time, minutes
	int state; // state word
	int rate;  // present rate
};

struct acpi_bif {
	uint32_t units; // 0: mWh and mW; otherwise mAh and mA
	uint32_t dcap;	// design capacity
	uint32_t lfcap; // last full capacity
	uint32_t btech; // 0: primary; otherwise secondary
	uint32_t dvol;	// design voltage, mV
	uint32_t wcap;	// warning capacity
	uint32_t lcap;	// low capacity
	uint32_t gra1;	// granularity between low and warning
	uint32_t gra2;	// granularity between warning and full
	char model[ACPI_CMBAT_MAXSTRLEN];
	char serial[ACPI_CMBAT_MAXSTRLEN];
	char type[ACPI_CMBAT_MAXSTRLEN];
	char oeminfo[ACPI_CMBAT_MAXSTRLEN];
};

// The extended information, whose first part is the information record.
struct acpi_bix {
	uint32_t units;
	uint32_t dcap;
	uint32_t lfcap;
	uint32_t btech;
	uint32_t dvol;
	uint32_t wcap;
	uint32_t lcap;
	uint32_t gra1;
	uint32_t gra2;
	char model[ACPI_CMBAT_MAXSTRLEN];
	char serial[ACPI_CMBAT_MAXSTRLEN];
	char type[ACPI_CMBAT_MAXSTRLEN];
	char oeminfo[ACPI_CMBAT_MAXSTRLEN];
	uint16_t rev;	 // 0xffff: made from the information record
	uint32_t cycles; // charge cycles
	uint32_t accuracy;
	uint32_t stmax;
	uint32_t stmin;
	uint32_t aimax;
	uint32_t aimin;
	uint32_t scap;
	uint8_t bix_reserved[58];
};

#define ACPI_BIX_REV_BIF 0xffff
#define ACPI_BIX_REV_MIN_CHECK(x, min)                                         \
	(((min) == ACPI_BIX_REV_BIF)                                           \
		? ((x) == ACPI_BIX_REV_BIF)                                    \
		: (((x) == ACPI_BIX_REV_BIF) ? 0 : ((x) >= (min))))

struct acpi_bst {
	uint32_t state; // state word
	uint32_t rate;	// present rate
	uint32_t cap;	// remaining capacity
	uint32_t volt;	// present voltage, mV
};

union acpi_battery_ioctl_arg {
	int unit;
	struct acpi_battinfo battinfo;
	struct acpi_bix bix;
	struct acpi_bif bif;
	struct acpi_bst bst;
	unsigned char reserved[256];
};

// BSD request encoding: in/out direction, argument length in bits 16 to 28,
// group in bits 8 to 15, request number in bits 0 to 7.
constexpr unsigned long bsd_iowr(char group, unsigned number, size_t length)
{
	return 0xC0000000UL | ((length & 0x1FFFUL) << 16) |
	    (static_cast<unsigned long>(group) << 8) | number;
}

#define ACPIIO_BATT_GET_BATTINFO                                               \
	bsd_iowr('B', 0x03, sizeof(union acpi_battery_ioctl_arg))
#define ACPIIO_BATT_GET_BIF bsd_iowr('B', 0x10, sizeof(struct acpi_bif))
#define ACPIIO_BATT_GET_BIX                                                    \
	bsd_iowr('B', 0x10, sizeof(union acpi_battery_ioctl_arg))
#define ACPIIO_BATT_GET_BST                                                    \
	bsd_iowr('B', 0x11, sizeof(union acpi_battery_ioctl_arg))

#endif

// The state word that says that the battery is not present.
constexpr int BATT_STAT_NOT_PRESENT = 7;

static_assert(ACPIIO_BATT_GET_BATTINFO == 0xC1004203UL);
static_assert(ACPIIO_BATT_GET_BIF == 0xC0A44210UL);
static_assert(ACPIIO_BATT_GET_BST == 0xC1004211UL);
static_assert(ACPIIO_BATT_GET_BIX == 0xC1004210UL);
static_assert(offsetof(struct acpi_bix, rev) == 164);
static_assert(offsetof(struct acpi_bix, cycles) == 168);
static_assert(sizeof(struct acpi_bif) == 164);
static_assert(sizeof(union acpi_battery_ioctl_arg) == 256);
static_assert(offsetof(struct acpi_battinfo, cap) == 0);
static_assert(offsetof(struct acpi_battinfo, min) == 4);
static_assert(offsetof(struct acpi_battinfo, state) == 8);
static_assert(offsetof(struct acpi_battinfo, rate) == 12);
static_assert(offsetof(struct acpi_bst, state) == 0);
static_assert(offsetof(struct acpi_bst, rate) == 4);
static_assert(offsetof(struct acpi_bst, cap) == 8);
static_assert(offsetof(struct acpi_bst, volt) == 12);
static_assert(sizeof(acpi_bif::model) == 32 && sizeof(acpi_bif::oeminfo) == 32);
