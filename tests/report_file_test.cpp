// SPDX-License-Identifier: BSD-2-Clause
// Reports written to a file (-o): what may be replaced, how failures are
// named, and that no signal, closed descriptor or full disk leaves a
// temporary or partial file behind.

#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "run.h"
#include "sysfs_mount.h"

namespace {

using args = std::vector<std::string>;

const std::string fixtures = PELKO_FIXTURES;
const std::string laptop = read_file(fixtures + "/metrics/laptop.scenario");

// A scratch folder, removed with all it holds.
struct scratch {
	std::string dir;
	scratch()
	{
		char name[] = "/tmp/pelko-file-XXXXXX";
		if (mkdtemp(name) == nullptr)
			throw std::runtime_error("mkdtemp");
		dir = name;
	}
	~scratch() { run_command({"/bin/rm", "-rf", dir}); }
	std::string path(const std::string &name) const
	{
		return dir + "/" + name;
	}
	std::string write(const std::string &name, const std::string &text,
	    mode_t mode = 0644) const
	{
		std::ofstream(path(name)) << text;
		chmod(path(name).c_str(), mode);
		return path(name);
	}
};

std::vector<std::string> folder_entries(const std::string &dir)
{
	std::vector<std::string> names;
	DIR *d = opendir(dir.c_str());
	while (dirent *e = d ? readdir(d) : nullptr)
		if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0)
			names.emplace_back(e->d_name);
	if (d)
		closedir(d);
	std::sort(names.begin(), names.end());
	return names;
}

mode_t created_mode()
{
	mode_t mask = umask(0);
	umask(mask);
	return 0644u & ~mask;
}

bool require_all()
{
	return getenv("PELKO_REQUIRE_ALL_TESTS") != nullptr;
}

// What stands at FILE before the run: a regular file, a link to one or to
// nothing, or a name of 255 bytes is replaced by the report; anything else
// is refused and left as it was.
TEST(ReportFile, WhatItReplaces)
{
	scratch s;
	const std::string target = s.write("x-target", "old\n");
	const std::string fifo = s.path("x-fifo");
	ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
	using make_fn = std::function<bool(const std::string &)>;
	const struct {
		const char *name;
		std::string file;
		make_fn make;
		bool replaced;
	} cases[] = {
	    {"nothing", "pelko.prom", [](auto &) { return true; }, true},
	    {"a regular file", "pelko.prom",
		[&](auto &p) { return s.write("pelko.prom", "old\n") == p; },
		true},
	    {"a 255-byte name", std::string(250, 'n') + ".prom",
		[](auto &) { return true; }, true},
	    {"a link to a regular file", "pelko.prom",
		[&](auto &p) {
			return symlink(target.c_str(), p.c_str()) == 0;
		},
		true},
	    {"a dangling link", "pelko.prom",
		[](auto &p) { return symlink("nowhere", p.c_str()) == 0; },
		true},
	    {"a character device", "pelko.prom",
		[](auto &p) {
			return mknod(p.c_str(), S_IFCHR | 0600,
				   makedev(1, 3)) == 0;
		},
		false},
	    {"a FIFO", "pelko.prom",
		[](auto &p) { return mkfifo(p.c_str(), 0600) == 0; }, false},
	    {"a folder", "pelko.prom",
		[](auto &p) { return mkdir(p.c_str(), 0700) == 0; }, false},
	    {"a link to a FIFO", "pelko.prom",
		[&](auto &p) { return symlink(fifo.c_str(), p.c_str()) == 0; },
		false},
	};
	const std::string whole = run_sim(laptop, {"-p"}).out;
	for (const auto &c : cases) {
		SCOPED_TRACE(c.name);
		const std::string file = s.path(c.file);
		if (!c.make(file)) {
			if (require_all())
				ADD_FAILURE() << "cannot make " << c.name;
			continue;
		}
		struct stat before = {}, after = {};
		lstat(file.c_str(), &before);
		run_result r = run_sim(laptop, {"-p", "-o", file});
		ASSERT_EQ(lstat(file.c_str(), &after), 0);
		if (c.replaced) {
			EXPECT_EQ(r.status, 0) << r.err;
			EXPECT_EQ(read_file(file), whole);
			EXPECT_TRUE(S_ISREG(after.st_mode));
			EXPECT_EQ(after.st_mode & 0777, created_mode());
		} else {
			EXPECT_EQ(r.status, 1);
			EXPECT_EQ(r.err,
			    "pelko: " + file + ": not a regular file\n");
			EXPECT_EQ(after.st_ino, before.st_ino);
			EXPECT_EQ(after.st_mode, before.st_mode);
		}
		EXPECT_EQ(r.out, "");
		EXPECT_EQ(read_file(target), "old\n");
		EXPECT_EQ(folder_entries(s.dir),
		    (std::vector<std::string>{c.file, "x-fifo", "x-target"}));
		run_command({"/bin/rm", "-rf", file});
	}
}

// Failures name what failed: the folder when the temporary file cannot be
// made there, the file when the report cannot be stored.
TEST(ReportFile, FailuresNameWhatFailed)
{
	scratch s;
	s.write("plain", "a file, not a folder\n");
	const struct {
		std::string file, err;
	} cases[] = {
	    {s.path("missing/pelko.prom"),
		s.path("missing") + ": No such file or directory"},
	    {s.path("plain/pelko.prom"), s.path("plain") + ": Not a directory"},
	    {"", "-o: empty file name"},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.file);
		run_result r = run_sim(laptop, {"-p", "-o", c.file});
		EXPECT_EQ(r.status, 1);
		EXPECT_EQ(r.out, "");
		EXPECT_EQ(r.err, "pelko: " + c.err + "\n");
	}
	// A fatal error halfway through a report leaves no temporary file.
	run_result stopped = run_sim("ncpu 1\n", {"-o", s.path("report")});
	EXPECT_EQ(stopped.status, 72);
	EXPECT_EQ(folder_entries(s.dir), std::vector<std::string>{"plain"});
}

// A folder the user cannot write to, holding a file the user can: the
// message blames the folder.  Root writes anywhere, so root runs pelko as
// nobody.
TEST(ReportFile, UnwritableFolder)
{
	scratch s;
	const std::string scenario = s.write("laptop.scenario", laptop);
	const std::string file = s.write("pelko.prom", "old\n", 0666);
	chmod(s.dir.c_str(), 0555);
	args argv{PELKO_SIM_PATH, scenario, "-p", "-o", file};
	if (geteuid() == 0)
		argv.insert(argv.begin(),
		    {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534",
			"--clear-groups"});
	run_result r = run_command(argv);
	chmod(s.dir.c_str(), 0700);
	EXPECT_EQ(r.status, 1);
	EXPECT_EQ(r.err, "pelko: " + s.dir + ": Permission denied\n");
	EXPECT_EQ(read_file(file), "old\n");
}

// With -o, pelko needs none of its standard descriptors.
TEST(ReportFile, StandardOutputClosed)
{
	scratch s;
	const std::string file = s.path("pelko.prom");
	run_result r =
	    run_sim(laptop, {"-p", "-o", file}, {.close_stdout = true});
	EXPECT_EQ(r.status, 0) << r.err;
	EXPECT_EQ(read_file(file), run_sim(laptop, {"-p"}).out);
}

// A small file system, full: the previous report stays, byte for byte.
TEST(ReportFile, FullFileSystem)
{
	SKIP_OR_FAIL_IF(geteuid() == 0 ? "" : "mounting a tmpfs needs root");
	scratch s;
	const std::string scenario = s.write("laptop.scenario", laptop);
	const std::string mount_point = s.path("small");
	ASSERT_EQ(mkdir(mount_point.c_str(), 0700), 0);
	const char script[] =
	    "mount -t tmpfs -o size=64k tmpfs \"$1\" || exit 100\n"
	    "printf 'previous\\n' > \"$1/pelko.prom\"\n"
	    "cat /dev/zero > \"$1/fill\" 2>/dev/null\n"
	    "\"$2\" \"$3\" -p -o \"$1/pelko.prom\"\n"
	    "echo \"status $?\"\n"
	    "cat \"$1/pelko.prom\"; ls -A \"$1\"\n";
	run_result r = run_command(
	    {"/usr/bin/unshare", "-m", "--propagation", "private", "/bin/sh",
		"-c", script, "sh", mount_point, PELKO_SIM_PATH, scenario});
	EXPECT_EQ(r.out, "status 1\nprevious\nfill\npelko.prom\n");
	EXPECT_EQ(r.err,
	    "pelko: " + mount_point + "/pelko.prom: No space left on device\n");
}

// pelko-sim writing the laptop's metrics to file, once or with -i 0,
// with sig ignored from the start (0: none), and no core dumps.
pid_t start_writer(const std::string &scenario, const std::string &file,
    bool loop, int ignored, rlim_t file_size_limit = RLIM_INFINITY)
{
	pid_t pid = fork();
	if (pid == 0) {
		int null_fd = open("/dev/null", O_RDWR);
		dup2(null_fd, STDOUT_FILENO);
		dup2(null_fd, STDERR_FILENO);
		if (ignored != 0)
			signal(ignored, SIG_IGN);
		rlimit none = {0, 0}, size = {file_size_limit, file_size_limit};
		setrlimit(RLIMIT_CORE, &none);
		setrlimit(RLIMIT_FSIZE, &size);
		if (loop)
			execl(PELKO_SIM_PATH, PELKO_SIM_PATH, scenario.c_str(),
			    "-p", "-i", "0", "-o", file.c_str(),
			    static_cast<char *>(nullptr));
		else
			execl(PELKO_SIM_PATH, PELKO_SIM_PATH, scenario.c_str(),
			    "-p", "-o", file.c_str(),
			    static_cast<char *>(nullptr));
		_exit(127);
	}
	return pid;
}

// The signal that ended pid, once it has ended; -1 when it exited.
int ending_signal(pid_t pid)
{
	int status;
	if (waitpid(pid, &status, 0) != pid)
		return -1;
	return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
}

// Whether pid has ended, leaving it to be waited for.
bool ended(pid_t pid)
{
	siginfo_t info{};
	return waitid(P_PID, static_cast<id_t>(pid), &info,
		   WEXITED | WNOHANG | WNOWAIT) != 0 ||
	    info.si_pid == pid;
}

// Waits until file is there, as pid writes it; false when pid ended
// first.  The folder is watched and pid is polled through a pidfd: no time
// window is involved.
bool written(pid_t pid, const std::string &file)
{
	std::string folder = file.substr(0, file.rfind('/'));
	int watch = inotify_init1(IN_CLOEXEC);
	int process = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
	bool there = false;

	if (watch >= 0 && process >= 0 &&
	    inotify_add_watch(watch, folder.c_str(), IN_CREATE | IN_MOVED_TO) >=
		0) {
		pollfd fds[2] = {{watch, POLLIN, 0}, {process, POLLIN, 0}};
		char events[4096];
		while (!(there = access(file.c_str(), F_OK) == 0) &&
		    !ended(pid) && poll(fds, 2, -1) > 0)
			if (fds[0].revents & POLLIN)
				(void)read(watch, events, sizeof events);
	}
	if (watch >= 0)
		close(watch);
	if (process >= 0)
		close(process);
	return there;
}

// Waits for the next report that pid renames onto file: the file is
// taken away and is there again.
bool next_report(pid_t pid, const std::string &file)
{
	unlink(file.c_str());
	return written(pid, file);
}

// 50,000 CPUs: a report long enough that a signal finds its temporary
// file nearly always.
const std::string slow_report =
    "ncpu 50000\nint dev.cpu.0.temperature 3232\nacpi rw\n";

// A caught signal removes the temporary file and ends pelko with the
// signal's own effect; a signal ignored at start stays ignored.
TEST(ReportFile, Signals)
{
	const struct {
		const char *name;
		int ignored, sent;
		bool survives;
	} cases[] = {
	    {"hang-up ignored at start, as nohup does", SIGHUP, SIGHUP, true},
	    {"hang-up", 0, SIGHUP, false},
	    {"SIGUSR1", 0, SIGUSR1, false},
	    {"SIGQUIT", 0, SIGQUIT, false},
	    {"SIGTERM with SIGINT ignored", SIGINT, SIGTERM, false},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.name);
		scratch s;
		const std::string scenario =
		    s.write("laptop.scenario", slow_report);
		const std::string file = s.path("pelko.prom");
		pid_t pid = start_writer(scenario, file, true, c.ignored);
		ASSERT_GT(pid, 0);
		EXPECT_TRUE(written(pid, file));
		kill(pid, c.sent);
		if (c.survives) {
			// Two more reports: the second was begun after pelko
			// had the signal.
			EXPECT_TRUE(next_report(pid, file));
			EXPECT_TRUE(next_report(pid, file));
			kill(pid, SIGTERM);
			EXPECT_EQ(ending_signal(pid), SIGTERM);
		} else {
			EXPECT_EQ(ending_signal(pid), c.sent);
		}
		EXPECT_EQ(folder_entries(s.dir),
		    (std::vector<std::string>{"laptop.scenario",
			"pelko.prom"}));
	}
}

// Whether sig ends a process that left it at its default action, as the
// kernel says: a child raises it, which delivers it before raise returns.
bool ends_by_default(int sig)
{
	pid_t pid = fork();
	if (pid == 0) {
		rlimit none = {0, 0};
		setrlimit(RLIMIT_CORE, &none);
		signal(sig, SIG_DFL);
		sigset_t all;
		sigemptyset(&all);
		sigprocmask(SIG_SETMASK, &all, nullptr);
		raise(sig);
		_exit(0);
	}
	int status;
	waitpid(pid, &status, WUNTRACED);
	if (WIFSTOPPED(status)) {
		kill(pid, SIGKILL);
		waitpid(pid, &status, 0);
		return false;
	}
	return WIFSIGNALED(status) && WTERMSIG(status) == sig;
}

// Every signal that kill -l lists and that ends a process by default ends
// pelko with its own effect, the temporary file removed.
TEST(ReportFile, EveryEndingSignal)
{
	scratch s;
	const std::string scenario = s.write("laptop.scenario", slow_report);
	const std::string file = s.path("pelko.prom");
	int tried = 0;
	for (int sig = 1; sig <= SIGRTMAX; sig++) {
		// The C library's own, which kill -l leaves out.
		if ((sig > 31 && sig < SIGRTMIN) || sig == SIGKILL ||
		    sig == SIGSTOP || !ends_by_default(sig))
			continue;
		SCOPED_TRACE(strsignal(sig));
		tried++;
		unlink(file.c_str());
		pid_t pid = start_writer(scenario, file, true, 0);
		ASSERT_GT(pid, 0);
		EXPECT_TRUE(written(pid, file));
		kill(pid, sig);
		EXPECT_EQ(ending_signal(pid), sig);
		EXPECT_EQ(folder_entries(s.dir),
		    (std::vector<std::string>{"laptop.scenario",
			"pelko.prom"}));
	}
	EXPECT_GE(tried, 50);
}

// An error that only close(2) reports, as a network file system or a
// quota may: strace makes the close of the temporary file fail, and the
// rename does not happen.
TEST(ReportFile, CloseErrorStopsTheRename)
{
	SKIP_OR_FAIL_IF(tool_unavailable("/usr/bin/strace"));
	scratch s;
	const std::string scenario = s.write("laptop.scenario", laptop);
	const std::string file = s.write("pelko.prom", "previous\n");
	// LeakSanitizer cannot run under ptrace(2): a sanitized build leaves
	// leaks to the other tests.
	const char script[] =
	    "export ASAN_OPTIONS=detect_leaks=0\n"
	    "strace -f -qq -o \"$1/trace\" -e trace=close \"$2\" \"$3\" -p \\\n"
	    "  -o \"$1/scratch.prom\" || exit 2\n"
	    "n=$(grep close \"$1/trace\" | grep -n 'close(1)' | cut -d: -f1)\n"
	    "rm \"$1/trace\" \"$1/scratch.prom\"\n"
	    "exec strace -f -qq -o /dev/null -e trace=close \\\n"
	    "  -e inject=close:error=EIO:when=$n \"$2\" \"$3\" -p -o \"$4\"\n";
	run_result r = run_command({"/bin/sh", "-c", script, "sh", s.dir,
	    PELKO_SIM_PATH, scenario, file});
	EXPECT_EQ(r.status, 1);
	EXPECT_EQ(r.err, "pelko: " + file + ": Input/output error\n");
	EXPECT_EQ(read_file(file), "previous\n");
	EXPECT_EQ(folder_entries(s.dir),
	    (std::vector<std::string>{"laptop.scenario", "pelko.prom"}));
}

// A file size limit below the report: SIGXFSZ ends pelko, and the file
// keeps the previous report.
TEST(ReportFile, FileSizeLimit)
{
	scratch s;
	const std::string scenario = s.write("laptop.scenario", laptop);
	const std::string file = s.write("pelko.prom", "previous\n");
	pid_t pid = start_writer(scenario, file, false, 0, 100);
	ASSERT_GT(pid, 0);
	EXPECT_EQ(ending_signal(pid), SIGXFSZ);
	EXPECT_EQ(read_file(file), "previous\n");
	EXPECT_EQ(folder_entries(s.dir),
	    (std::vector<std::string>{"laptop.scenario", "pelko.prom"}));
}

// A reader never sees an empty or partial report while pelko replaces the
// file as fast as it can: reads until it has seen the file replaced 200
// times.
TEST(ReportFile, ReadersSeeWholeReports)
{
	scratch s;
	const std::string scenario = s.write("laptop.scenario", laptop);
	const std::string file = s.path("pelko.prom");
	const std::string whole = run_sim(laptop, {"-p"}).out;
	pid_t pid = start_writer(scenario, file, true, 0);
	ASSERT_GT(pid, 0);
	long reads = 0, bad = 0, replaced = 0;
	ino_t last = 0;
	while (replaced < 200 && !ended(pid)) {
		int fd = open(file.c_str(), O_RDONLY);
		struct stat st;
		if (fd < 0 || fstat(fd, &st) != 0) {
			close(fd);
			continue;
		}
		std::string text;
		char buffer[4096];
		for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
			text.append(buffer, static_cast<size_t>(n));
		close(fd);
		reads++;
		bad += text != whole;
		replaced += st.st_ino != last;
		last = st.st_ino;
	}
	kill(pid, SIGTERM);
	EXPECT_EQ(ending_signal(pid), SIGTERM);
	EXPECT_EQ(replaced, 200);
	EXPECT_EQ(bad, 0) << "of " << reads << " reads";
}

} // namespace
