// SPDX-License-Identifier: BSD-2-Clause
#include <sys/stat.h>
#include <err.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>

#include "format/print.h"
#include "output.h"
#include "platform/platform.h"

static const char *report_path;
static int saved_stdout = -1;

// The folder of the report file, as the messages name it.
static char report_folder[PATH_MAX];

// The temporary file's name: short and of fixed length, so that any name
// the file system takes for the report works beside it; hidden, and not
// ending in ".prom", so that a textfile collector never reads it.
static const char temp_name[] = ".pelko.XXXXXX";

// The temporary file while a report is written to it, for the signal
// handler to remove: a stopped pelko leaves no half-written file behind.
static char temp_path[PATH_MAX + sizeof temp_name];
static char temp_template[sizeof temp_path];
static volatile sig_atomic_t temp_exists;

// Every signal that ends the process by default and can be caught, as
// the system says: the handler removes the temporary file first.
static sigset_t ending_signals;

static void remove_temp()
{
	if (temp_exists)
		unlink(temp_path);
	temp_exists = 0;
}

// Removes the temporary file, then lets the signal have its default
// effect once the handler returns, so that the caller sees which signal
// ended pelko.
static void remove_temp_and_die(int sig)
{
	remove_temp();
	signal(sig, SIG_DFL);
	raise(sig);
}

// A signal ignored at start stays ignored: nohup(1) and the like decide.
// Whether sig ends the process by default, with or without a core dump,
// and can be caught: every signal but SIGKILL, the stop signals, those
// that POSIX has ignored or continue the process, and those the system
// ignores where POSIX lets it choose.
static bool ends_by_default(int sig)
{
	static const int never[] = {SIGKILL, SIGSTOP, SIGTSTP, SIGTTIN, SIGTTOU,
	    SIGCONT, SIGCHLD, SIGURG, SIGWINCH};

	for (int n : never)
		if (sig == n)
			return false;
	return !os_signal_ignored_by_default(sig);
}

// A signal that the C library keeps for itself refuses the handler.
static void catch_ending_signals()
{
	struct sigaction sa = {};

	sigemptyset(&ending_signals);
	for (int sig = 1; sig <= SIGRTMAX; sig++)
		if (ends_by_default(sig))
			sigaddset(&ending_signals, sig);
	sa.sa_handler = remove_temp_and_die;
	sa.sa_mask = ending_signals;
	for (int sig = 1; sig <= SIGRTMAX; sig++) {
		struct sigaction old;
		if (sigismember(&ending_signals, sig) &&
		    sigaction(sig, nullptr, &old) == 0 &&
		    old.sa_handler != SIG_IGN)
			sigaction(sig, &sa, nullptr);
	}
}

// A standard descriptor closed at start is opened on /dev/null, so that
// the temporary file can never take its place.
static void reserve_standard_descriptors()
{
	for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; fd++) {
		if (fcntl(fd, F_GETFD) == -1 && errno == EBADF &&
		    open("/dev/null", O_RDWR) != fd)
			err(1, "/dev/null");
	}
}

// The folder part of path, and the temporary file's template in it.
static void name_temp_file(const char *path)
{
	const char *slash = strrchr(path, '/');
	int folder_length =
	    slash == nullptr ? 0 : static_cast<int>(slash - path);

	// The folder: ".", or for a file in the root's folder "/".
	if (slash == nullptr)
		snprintf(report_folder, sizeof report_folder, ".");
	else
		snprintf(report_folder, sizeof report_folder, "%.*s",
		    folder_length == 0 ? 1 : folder_length, path);
	int length = snprintf(temp_template, sizeof temp_template, "%.*s%s",
	    slash == nullptr ? 0 : folder_length + 1, path, temp_name);
	if (length < 0 || static_cast<size_t>(length) >= sizeof temp_template) {
		errno = ENAMETOOLONG;
		err(1, "%s", path);
	}
}

void set_report_file(const char *path)
{
	report_path = path;
	if (path == nullptr)
		return;
	reserve_standard_descriptors();
	name_temp_file(path);
	catch_ending_signals();
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

// Only a regular file is replaced, or a link that leads to one or to
// nothing: a device, a FIFO, a socket or a folder is left as it is.
static void refuse_other_files()
{
	struct stat st;

	if (lstat(report_path, &st) == -1)
		return;
	if (S_ISLNK(st.st_mode) && stat(report_path, &st) == -1)
		return;
	if (!S_ISREG(st.st_mode))
		errx(1, "%s: not a regular file", report_path);
}

// Creates the temporary file under a new name: mkstemp(3)'s way, but with
// mode 0644 less the umask from the start, as files a program creates
// get, where mkstemp's 0600 would need a chmod at every report.  O_EXCL
// never opens what stands there already, a link included.
static int create_temp()
{
	static const char letters[] =
	    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
	static uint64_t state;
	size_t length = strlen(temp_template);

	if (state == 0) {
		timespec now;
		clock_gettime(CLOCK_REALTIME, &now);
		state = static_cast<uint64_t>(now.tv_nsec) ^
		    (static_cast<uint64_t>(getpid()) << 32) ^
		    0x9e3779b97f4a7c15ULL;
	}
	// The ending signals wait while the file is made, so that the handler
	// removes it once it exists, and never a file of the same name that
	// stood there before.
	for (int attempt = 0; attempt < 100; attempt++) {
		memcpy(temp_path, temp_template, length + 1);
		for (size_t i = length - 6; i < length; i++) {
			// xorshift64: names that differ from run to run.
			state ^= state << 13;
			state ^= state >> 7;
			state ^= state << 17;
			temp_path[i] = letters[state % (sizeof letters - 1)];
		}
		sigset_t saved;
		sigprocmask(SIG_BLOCK, &ending_signals, &saved);
		int fd = open(temp_path,
		    O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
		int saved_errno = errno;
		temp_exists = fd != -1;
		sigprocmask(SIG_SETMASK, &saved, nullptr);
		errno = saved_errno;
		if (fd != -1 || errno != EEXIST)
			return fd;
	}
	return -1;
}

void begin_report()
{
	if (report_path == nullptr)
		return;
	refuse_other_files();
	int fd = create_temp();
	if (fd == -1)
		err(1, "%s", report_folder);
	if (saved_stdout == -1)
		saved_stdout = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
	if (saved_stdout == -1 || dup2(fd, STDOUT_FILENO) == -1)
		fail_report_file();
	close(fd);
}

void end_report()
{
	// A report leaves in one write(2), at its end, even to a terminal:
	// the cheapest way, and a reader never sees half of one.
	bool written = report_flush() && fflush(stdout) == 0 && !ferror(stdout);
	if (report_path == nullptr) {
		// A report that could not be written must not end in success, and
		// an interval run must not go on writing into a dead pipe.
		if (!written)
			err(1, "stdout");
		return;
	}
	int saved_errno = errno;
	clearerr(stdout);
	// The temporary file's last descriptor: its close reports what a
	// network file system or a quota could not store.
	if (close(STDOUT_FILENO) == -1 && written) {
		written = false;
		saved_errno = errno;
	}
	dup2(saved_stdout, STDOUT_FILENO);
	errno = saved_errno;
	if (!written || rename(temp_path, report_path) == -1)
		fail_report_file();
	temp_exists = 0;
}
