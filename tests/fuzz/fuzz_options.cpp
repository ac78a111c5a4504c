// SPDX-License-Identifier: BSD-2-Clause
// Option parsing over arbitrary argument vectors, in-process.
//
// The input, split at its NUL bytes, is pelko's arguments after argv[0].
// pelko's main and report code are compiled with exit, err, errx and
// main renamed (program_renames.h), so that a run ends back here with its
// status.  The status must be 0, 1 or 22, and a run that ends in success
// must have written the version line, a report, or only metrics lines.

#include <errno.h>
#include <setjmp.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <string_view>
#include <vector>

#include "flags/flags.h"
#include "format/print.h"
#include "main/output.h"
#include "platform/platform.h"

int pelko_main(int argc, char *argv[]);

namespace {

jmp_buf run_end;
// What longjmp carries: the exit status plus one, or an interval run that
// reached its first sleep.
constexpr int reached_sleep = 1000;
const int device_fd = 100;

[[noreturn]] void end_run(int status)
{
	longjmp(run_end, status + 1);
}

} // namespace

extern "C" [[noreturn]] void pelko_fuzz_exit(int status)
{
	end_run(status);
}

// err and errx alike: the message goes nowhere that matters, the status
// ends the run.
extern "C" [[noreturn]] __attribute__((format(printf, 2, 3))) void
pelko_fuzz_err(int status, const char *format, ...)
{
	va_list ap;
	va_start(ap, format);
	vfprintf(stderr, format, ap);
	va_end(ap);
	end_run(status);
}

extern "C" [[noreturn]] __attribute__((format(printf, 2, 3))) void
pelko_fuzz_errx(int status, const char *format, ...)
{
	char message[256];
	va_list ap;
	va_start(ap, format);
	vsnprintf(message, sizeof message, format, ap);
	va_end(ap);
	pelko_fuzz_err(status, "%s", message);
}

// The platform layer: a machine with the ACPI device and nothing else.

void os_start(int *, char ***)
{
}

int os_sysctlbyname(const char *, void *, size_t *, const void *, size_t)
{
	errno = ENOENT;
	return -1;
}

int os_sysctl(const int *, unsigned, void *, size_t *, const void *, size_t)
{
	errno = ENOENT;
	return -1;
}

int os_open_acpi(int)
{
	return device_fd;
}

int os_ioctl(int, unsigned long, void *)
{
	errno = ENXIO;
	return -1;
}

int os_close(int)
{
	return 0;
}

int os_open_cpuctl(int, int)
{
	errno = ENOENT;
	return -1;
}

int os_clock_gettime_monotonic(struct timespec *now)
{
	now->tv_sec = 1000;
	now->tv_nsec = 0;
	return 0;
}

int os_nanosleep(const struct timespec *)
{
	return 0;
}

// The fuzzer's own limit stays as it is: the program goes on without a raise.
int os_get_open_files_limit(struct rlimit *)
{
	errno = ENOSYS;
	return -1;
}

int os_set_open_files_limit(const struct rlimit *)
{
	errno = ENOSYS;
	return -1;
}

unsigned os_sleep(unsigned)
{
	longjmp(run_end, reached_sleep);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
	static FILE *devnull = fopen("/dev/null", "w");
	// -o writes files: an argument that could name a path outside the
	// working folder is not run (tests/fuzz/run gives it a scratch one).
	if (memchr(data, '/', size) != nullptr)
		return 0;
	std::vector<std::string> words{"pelko"};
	std::string word;
	for (size_t i = 0; i < size && words.size() < 256; i++) {
		if (data[i] == '\0') {
			words.push_back(word);
			word.clear();
		} else {
			word.push_back(static_cast<char>(data[i]));
		}
	}
	words.push_back(word);
	std::vector<char *> argv;
	for (std::string &w : words)
		argv.push_back(w.data());
	argv.push_back(nullptr);

	char *text = nullptr;
	size_t length = 0;
	FILE *out = open_memstream(&text, &length);
	FILE *saved_out = stdout, *saved_err = stderr;
	stdout = out;
	stderr = devnull;
	optind = 0;
	report_flags = 0;
	set_report_file(nullptr);
	// -o sets handlers for the signals that end pelko; the fuzzer's own
	// come back after the run.
	const int stops[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2,
	    SIGALRM, SIGPIPE, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF};
	constexpr int stop_count = sizeof stops / sizeof stops[0];
	struct sigaction saved_actions[stop_count];
	for (int i = 0; i < stop_count; i++)
		sigaction(stops[i], nullptr, &saved_actions[i]);

	int status;
	int ended = setjmp(run_end);
	if (ended == 0)
		status =
		    pelko_main(static_cast<int>(argv.size() - 1), argv.data());
	else
		status = ended == reached_sleep ? 0 : ended - 1;
	// What exit(3) would have handed to standard output.
	report_flush();
	stdout = saved_out;
	stderr = saved_err;
	for (int i = 0; i < stop_count; i++)
		sigaction(stops[i], &saved_actions[i], nullptr);
	fclose(out);
	// The program name pointed into this run's arguments.
	program_invocation_short_name = const_cast<char *>("pelko");

	std::string_view written(text, length);
	const std::string_view header = "\t\t\t\t\tCurrent\t\t\t\tUnit\n";
	if (status != 0 && status != 1 && status != 22) {
		fprintf(stderr, "exit status %d\n", status);
		abort();
	}
	const std::string_view document = "{\"pelko\":{\"schema_version\":1,";
	const std::string_view start =
	    report_flags & FLAG_JSON ? document : header;
	if (status == 0 && !(report_flags & FLAG_PROMETHEUS) &&
	    written != "pelko 0.5\n" &&
	    written.substr(0, start.size()) != start) {
		fprintf(stderr, "success without a report: [%.*s]\n",
		    static_cast<int>(length), text);
		abort();
	}
	// Metrics are all comments and samples, none of them at all where
	// nothing could be read.
	for (size_t at = 0; status == 0 && (report_flags & FLAG_PROMETHEUS) &&
	     at < written.size();) {
		size_t end = written.find('\n', at);
		std::string_view line = written.substr(at, end - at);
		if (end == std::string_view::npos ||
		    (line.substr(0, 2) != "# " &&
			line.substr(0, 6) != "pelko_" && line != "pelko 0.5")) {
			fprintf(stderr, "not a metrics line: [%.*s]\n",
			    static_cast<int>(line.size()), line.data());
			abort();
		}
		at = end + 1;
	}
	free(text);
	return 0;
}
