// SPDX-License-Identifier: BSD-2-Clause
// pelko: print the machine's thermal and power state.

#include <sys/resource.h>

#include <ctype.h>
#include <err.h>
#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include "flags/flags.h"
#include "output.h"
#include "platform/platform.h"
#include "report.h"

static uint32_t interval_secs;

[[noreturn]] static void usage()
{
	fprintf(stderr, "usage: %s [-hvdfkpjx] [-i seconds] [-o file]\n",
	    getprogname());
	fputs("\t-h\t\tShow this page\n"
	      "\t-v\t\tShow pelko version\n"
	      "\t-d\t\tDisplay all info and non-working devices\n"
	      "\t-f\t\tDisplay temperature in Fahrenheit\n"
	      "\t-k\t\tDisplay the temperature in Kelvins\n"
	      "\t-i seconds\tRepeat the report every given number of seconds\n"
	      "\t-p\t\tPrint the readings as Prometheus metrics\n"
	      "\t-j\t\tPrint the readings as JSON\n"
	      "\t-x\t\tAlso show battery wear, thermal limits, throttling, "
	      "sensors and CPU clocks\n"
	      "\t-o file\t\tWrite each report to file, replacing it whole\n",
	    stderr);
	exit(1);
}

[[noreturn]] static void print_version()
{
	puts("pelko 0.5");
	end_report();
	exit(0);
}

static void check_temp_units()
{
	if ((report_flags & FLAG_FAHRENHEIT) && (report_flags & FLAG_KELVIN)) {
		puts(
		    "You can't choice to show temperature un Fahrenheit and Kelvin");
		exit(1);
	}
	// Metrics and JSON are in degrees Celsius, as the formats' conventions
	// want.
	if ((report_flags & (FLAG_PROMETHEUS | FLAG_JSON)) &&
	    (report_flags & (FLAG_FAHRENHEIT | FLAG_KELVIN)))
		errx(1, "%s writes degrees Celsius: it takes neither -f nor -k",
		    report_flags & FLAG_PROMETHEUS ? "-p" : "-j");
	if ((report_flags & FLAG_JSON) && (report_flags & FLAG_PROMETHEUS))
		errx(1, "-j and -p are two formats: give one of them");
}

// The whole argument must be a number of seconds that fits 32 bits.
// strtoul would accept a minus sign and wrap the value around, and would
// cut a value beyond its range to ULONG_MAX; both are refused.
static uint32_t parse_interval(const char *arg)
{
	const char *first = arg;
	char *end;

	while (isspace(static_cast<unsigned char>(*first)))
		first++;
	errno = 0;
	unsigned long value = strtoul(arg, &end, 10);
	if (*first == '-' || end == arg || *end != '\0' || errno == ERANGE ||
	    value > UINT32_MAX) {
		errno = EINVAL;
		err(22, "bad interval value: %s", arg);
	}
	return static_cast<uint32_t>(value);
}

// The files kept open from one report to the next are bounded by the
// soft limit of open files, which is often 1024 where the hard one is far
// higher: raise it to the hard one, as long-running services do.  Where
// that fails, the soft limit stands, and fewer files are kept.
static void raise_open_files_limit()
{
	rlimit limit;

	if (os_get_open_files_limit(&limit) == 0 &&
	    limit.rlim_cur != limit.rlim_max) {
		limit.rlim_cur = limit.rlim_max;
		(void)os_set_open_files_limit(&limit);
	}
}

// One report, text or metrics, to its place.
static void write_report()
{
	begin_report();
	if (report_flags & FLAG_PROMETHEUS)
		report_metrics();
	else if (report_flags & FLAG_JSON)
		report_json();
	else
		report_all();
	end_report();
}

int main(int argc, char *argv[])
{
	const char *report_file = nullptr;
	int ch;

	os_start(&argc, &argv);
	setprogname(argv[0]);
	raise_open_files_limit();
	while ((ch = os_getopt(argc, argv, "hvdfkpjxi:o:")) != -1) {
		switch (ch) {
		case 'd':
			report_flags |= FLAG_SHOW_ALL;
			break;
		case 'f':
			report_flags |= FLAG_FAHRENHEIT;
			break;
		case 'k':
			report_flags |= FLAG_KELVIN;
			break;
		case 'p':
			report_flags |= FLAG_PROMETHEUS;
			break;
		case 'j':
			report_flags |= FLAG_JSON;
			break;
		case 'x':
			report_flags |= FLAG_EXTENDED;
			break;
		case 'o':
			if (*optarg == '\0')
				errx(1, "-o: empty file name");
			report_file = optarg;
			break;
		case 'i':
			report_flags |= FLAG_INTERVAL;
			interval_secs = parse_interval(optarg);
			break;
		case 'v':
			print_version();
		case 'h':
		default:
			usage();
		}
	}
	check_temp_units();
	set_report_file(report_file);

	if (report_flags & FLAG_INTERVAL) {
		for (;;) {
			write_report();
			os_sleep(interval_secs);
		}
	}
	write_report();
	return 0;
}
