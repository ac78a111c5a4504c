// The readings as Prometheus metrics (-p) and reports written to a file
// (-o): through pelko-sim, checked by promtool, and read by a real
// node_exporter.

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "run.h"
#include "sysfs_mount.h"

namespace {

using args = std::vector<std::string>;

const std::string fixtures = PELKO_FIXTURES;

std::string temp_dir()
{
	char dir[] = "/tmp/pelko-metrics-XXXXXX";
	if (mkdtemp(dir) == nullptr)
		throw std::runtime_error("mkdtemp");
	return dir;
}

std::vector<std::string> folder_entries(const std::string &dir)
{
	std::vector<std::string> names;
	DIR *d = opendir(dir.c_str());
	while (dirent *e = d ? readdir(d) : nullptr)
		if (e->d_name[0] != '.' ||
		    (e->d_name[1] != '\0' && e->d_name[1] != '.'))
			names.emplace_back(e->d_name);
	if (d)
		closedir(d);
	return names;
}

const std::string laptop = read_file(fixtures + "/metrics/laptop.scenario");

TEST(Metrics, LaptopExactly)
{
	SKIP_OR_FAIL_IF(tool_unavailable("/usr/bin/promtool"));
	run_result r =
	    run_sim_file(fixtures + "/metrics/laptop.scenario", {"-p"});
	EXPECT_EQ(r.status, 0);
	EXPECT_EQ(r.out, read_file(fixtures + "/metrics/laptop.prom"));
	EXPECT_EQ(r.err, "");
	EXPECT_EQ(promtool_verdict(r.out), "");
}

// What the laptop's records become when one thing about them changes: the
// lines that must go, and the lines that must stand.
TEST(Metrics, Variations)
{
	SKIP_OR_FAIL_IF(tool_unavailable("/usr/bin/promtool"));
	const struct {
		const char *name;
		std::string scenario;
		std::vector<std::string> absent, present;
	} cases[] = {
	    {"unknown values give no sample",
		"ncpu 1\nnode hw.acpi.battery\nint hw.acpi.battery.time -1\n"
		"int hw.acpi.battery.units 1\nacpi rw\nbattinfo 0 -1 -1 0 -1\n"
		"bif 0 0 -1 -1 1 -1 -1 -1 -1 -1 \"\" \"\" \"\" \"\"\nbst 0 0 -1 -1 -1\n",
		{"pelko_cpu_temperature", "pelko_battery_total_remaining_ratio",
		    "pelko_battery_total_time_remaining", "pelko_ac_online",
		    "pelko_battery_design", "pelko_battery_last_full",
		    "pelko_battery_remaining_ratio",
		    "pelko_battery_time_remaining", "pelko_battery_rate",
		    "pelko_battery_voltage_volts"},
		{"pelko_cpus 1\n", "pelko_batteries 1\n",
		    "pelko_battery_present{unit=\"0\"} 1\n",
		    "pelko_battery_charging{unit=\"0\"} 0\n",
		    std::string(
			"pelko_battery_info{unit=\"0\",model=\"\",serial=\"\",") +
			"type=\"\",oem=\"\",technology=\"secondary\"} 1\n"}},
	    {"a battery not present",
		"node hw.acpi.battery\nint hw.acpi.battery.units 1\nacpi rw\n"
		"battinfo 0 -1 -1 7 -1\n",
		{"pelko_battery_info", "pelko_battery_charging"},
		{"pelko_battery_present{unit=\"0\"} 0\n"}},
	    {"a failed first request",
		"node hw.acpi.battery\nint hw.acpi.battery.units 1\nacpi rw\n",
		{"pelko_battery_present"}, {"pelko_batteries 1\n"}},
	    {"no battery support", "ncpu 2\nacpi rw\n",
		{"pelko_batteries", "pelko_battery", "pelko_ac_online"},
		{"pelko_cpus 2\n"}},
	    {"on AC with no estimate",
		"node hw.acpi.battery\nint hw.acpi.battery.time -1\n"
		"int hw.acpi.acline 1\nacpi rw\n",
		{"pelko_battery_total_time_remaining"},
		{"pelko_ac_online 1\n"}},
	    // Control bytes as '?', then the format's escapes.
	    {"hostile strings",
		"node hw.acpi.battery\nint hw.acpi.battery.units 1\nacpi rw\n"
		"battinfo 0 50 60 1 100\nbattinfo 0 50 60 1 100\n"
		"bif 0 0 1 1 1 1 1 1 1 1 \"a\\\"b\\\\c\" \"x\\ny\\\"} 1\" \"\\x1b[2J\" "
		"\"\\\\\\\"\"\n",
		{},
		{"pelko_battery_info{unit=\"0\",model=\"a\\\"b\\\\c\","
		 "serial=\"x?y\\\"} 1\",type=\"?[2J\",oem=\"\\\\\\\"\","
		 "technology=\"secondary\"} 1\n"}},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.name);
		run_result r = run_sim(c.scenario, {"-p", "-d"});
		EXPECT_EQ(r.status, 0) << r.err;
		for (const std::string &name : c.absent)
			EXPECT_EQ(r.out.find("\n" + name), std::string::npos)
			    << name << "\n"
			    << r.out;
		for (const std::string &line : c.present)
			EXPECT_NE(r.out.find("\n" + line), std::string::npos)
			    << line << "\n"
			    << r.out;
		EXPECT_EQ(promtool_verdict(r.out), "");
	}
}

TEST(Metrics, OnlyInCelsius)
{
	for (const char *scale : {"-f", "-k"}) {
		SCOPED_TRACE(scale);
		run_result r = run_sim(laptop, {"-p", scale});
		EXPECT_EQ(r.status, 1);
		EXPECT_EQ(r.out, "");
		EXPECT_EQ(r.err,
		    "pelko: -p writes degrees Celsius: it takes neither -f nor -k\n");
	}
}

TEST(ReportFile, ReplacesTheFileWhole)
{
	std::string dir = temp_dir();
	std::string file = dir + "/pelko.prom";
	for (const args &a : {args{"-p"}, args{}}) {
		run_result shown = run_sim(laptop, a);
		args with_file = a;
		with_file.insert(with_file.end(), {"-o", file});
		run_result written = run_sim(laptop, with_file);
		EXPECT_EQ(written.status, 0);
		EXPECT_EQ(written.out, "");
		EXPECT_EQ(read_file(file), shown.out);
		struct stat st;
		ASSERT_EQ(stat(file.c_str(), &st), 0);
		mode_t mask = umask(0);
		umask(mask);
		EXPECT_EQ(st.st_mode & 0777, 0644u & ~mask);
		EXPECT_EQ(folder_entries(dir),
		    std::vector<std::string>{"pelko.prom"});
	}
	unlink(file.c_str());
	rmdir(dir.c_str());
}

TEST(ReportFile, FailuresNameTheFile)
{
	std::string dir = temp_dir();
	std::ofstream(dir + "/plain") << "a file, not a folder\n";
	const std::string paths[] = {dir + "/missing/pelko.prom",
	    dir + "/plain/pelko.prom"};
	const char *reasons[] = {"No such file or directory",
	    "Not a directory"};
	for (int i = 0; i < 2; i++) {
		SCOPED_TRACE(paths[i]);
		run_result r = run_sim(laptop, {"-p", "-o", paths[i]});
		EXPECT_EQ(r.status, 1);
		EXPECT_EQ(r.out, "");
		EXPECT_EQ(r.err,
		    "pelko: " + paths[i] + ": " + reasons[i] + "\n");
	}
	// A fatal error halfway through a report leaves no temporary file.
	run_result stopped = run_sim("ncpu 1\n", {"-o", dir + "/report"});
	EXPECT_EQ(stopped.status, 72);
	EXPECT_EQ(folder_entries(dir), std::vector<std::string>{"plain"});
	unlink((dir + "/plain").c_str());
	rmdir(dir.c_str());
}

// A reader never sees an empty or partial report while pelko replaces the
// file as fast as it can; stopped, pelko leaves no temporary file.
TEST(ReportFile, ReadersSeeWholeReports)
{
	std::string dir = temp_dir();
	std::string file = dir + "/pelko.prom";
	std::string scenario = dir + "/laptop.scenario";
	std::ofstream(scenario) << laptop;
	std::string whole = run_sim(laptop, {"-p"}).out;

	pid_t pid = fork();
	if (pid == 0) {
		int null_fd = open("/dev/null", O_WRONLY);
		dup2(null_fd, STDOUT_FILENO);
		dup2(null_fd, STDERR_FILENO);
		execl(PELKO_SIM_PATH, PELKO_SIM_PATH, scenario.c_str(), "-p",
		    "-i", "0", "-o", file.c_str(),
		    static_cast<char *>(nullptr));
		_exit(127);
	}
	ASSERT_GT(pid, 0);
	long reads = 0, bad = 0;
	timespec start, now;
	clock_gettime(CLOCK_MONOTONIC, &start);
	auto ms = [](const timespec &t) {
		return t.tv_sec * 1000LL + t.tv_nsec / 1000000;
	};
	do {
		std::ifstream in(file);
		if (in) {
			std::stringstream text;
			text << in.rdbuf();
			reads++;
			bad += text.str() != whole;
		}
		clock_gettime(CLOCK_MONOTONIC, &now);
	} while (ms(now) - ms(start) < 2000);
	kill(pid, SIGTERM);
	int status;
	waitpid(pid, &status, 0);
	EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
	EXPECT_GT(reads, 100);
	EXPECT_EQ(bad, 0) << "of " << reads << " reads";
	EXPECT_EQ(folder_entries(dir).size(), 2u) << "a temporary file is left";
	unlink(file.c_str());
	unlink(scenario.c_str());
	rmdir(dir.c_str());
}

} // namespace
