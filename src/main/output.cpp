#include <sys/stat.h>
#include <err.h>
#include <errno.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include "output.h"

static const char *report_path;
static mode_t file_mode;
static int saved_stdout = -1;

// The temporary file while a report is written to it, for the signal
// handler to remove: a stopped pelko leaves no half-written file behind.
static char temp_path[PATH_MAX + 8];
static volatile sig_atomic_t temp_exists;

static void remove_temp()
{
	if (temp_exists)
		unlink(temp_path);
	temp_exists = 0;
}

static void remove_temp_and_die(int sig)
{
	remove_temp();
	signal(sig, SIG_DFL);
	raise(sig);
}

void set_report_file(const char *path)
{
	report_path = path;
	if (path == nullptr)
		return;
	// The file gets 0644 less the umask, as files a program creates do.
	mode_t mask = umask(0);
	umask(mask);
	file_mode = 0644 & ~mask;
	static const int stops[] = {SIGHUP, SIGINT, SIGTERM};
	for (int sig : stops)
		signal(sig, remove_temp_and_die);
	// A fatal error in the middle of a report exits through exit(3).
	static bool registered = false;
	if (!registered)
		registered = atexit(remove_temp) == 0;
}

// Stops with status 1 naming the file, the temporary file removed.
[[noreturn]] static void fail_report_file()
{
	int saved_errno = errno;

	remove_temp();
	errno = saved_errno;
	err(1, "%s", report_path);
}

void begin_report()
{
	if (report_path == nullptr)
		return;
	int length =
	    snprintf(temp_path, sizeof temp_path, "%s.XXXXXX", report_path);
	if (length < 0 || static_cast<size_t>(length) >= sizeof temp_path) {
		errno = ENAMETOOLONG;
		fail_report_file();
	}
	// Set before the file exists, so that a signal in between cannot leave
	// it behind: removing a name not yet created does no harm.
	temp_exists = 1;
	int fd = mkstemp(temp_path);
	if (fd == -1) {
		temp_exists = 0;
		fail_report_file();
	}
	if (fchmod(fd, file_mode) == -1)
		fail_report_file();
	if (saved_stdout == -1)
		saved_stdout = dup(STDOUT_FILENO);
	if (saved_stdout == -1 || dup2(fd, STDOUT_FILENO) == -1)
		fail_report_file();
	close(fd);
}

void end_report()
{
	if (report_path == nullptr) {
		// A report that could not be written must not end in success, and
		// an interval run must not go on writing into a dead pipe.
		if (fflush(stdout) != 0 || ferror(stdout))
			err(1, "stdout");
		return;
	}
	bool written = fflush(stdout) == 0 && !ferror(stdout);
	int saved_errno = errno;
	clearerr(stdout);
	dup2(saved_stdout, STDOUT_FILENO);
	errno = saved_errno;
	if (!written || rename(temp_path, report_path) == -1)
		fail_report_file();
	temp_exists = 0;
}
