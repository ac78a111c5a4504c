// pelko: print the machine's thermal and power state.

#include <ctype.h>
#include <err.h>
#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include "flags/flags.h"
#include "platform/platform.h"
#include "report.h"

static uint32_t interval_secs;

[[noreturn]] static void usage()
{
	fprintf(stderr, "usage: %s [-hvdfk] [-i seconds]\n", getprogname());
	fputs("\t-h\t\tShow this page\n", stderr);
	fputs("\t-v\t\tShow pelko version\n", stderr);
	fputs("\t-d\t\tDisplay all info and non-working devices\n", stderr);
	fputs("\t-f\t\tDisplay temperature in Fahrenheit\n", stderr);
	fputs("\t-k\t\tDisplay the temperature in Kelvins\n", stderr);
	fputs("\t-i seconds\tRepeat the report every given number of seconds\n",
	    stderr);
	exit(1);
}

// A report that could not be written must not end in success, and an
// interval run must not go on writing into a dead pipe.
static void flush_stdout()
{
	if (fflush(stdout) != 0 || ferror(stdout))
		err(1, "stdout");
}

[[noreturn]] static void print_version()
{
	puts("pelko 0.5");
	flush_stdout();
	exit(0);
}

static void check_temp_units()
{
	if ((report_flags & FLAG_FAHRENHEIT) && (report_flags & FLAG_KELVIN)) {
		puts(
		    "You can't choice to show temperature un Fahrenheit and Kelvin");
		exit(1);
	}
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

int main(int argc, char *argv[])
{
	int ch;

	os_start(&argc, &argv);
	setprogname(argv[0]);
	while ((ch = os_getopt(argc, argv, "hvdfki:")) != -1) {
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

	if (report_flags & FLAG_INTERVAL) {
		for (;;) {
			report_all();
			flush_stdout();
			os_sleep(interval_secs);
		}
	}
	report_all();
	flush_stdout();
	return 0;
}
