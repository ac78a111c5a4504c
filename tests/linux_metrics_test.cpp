// SPDX-License-Identifier: BSD-2-Clause
// The shipped pelko's metrics on the Linux fixtures: promtool takes them,
// and a real node_exporter's textfile collector passes them on.

#include <sys/socket.h>
#include <sys/wait.h>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>

#include "sysfs_mount.h"

namespace {

const std::string trees = PELKO_FIXTURES "/sysfs/";
const char exporter[] = "/usr/bin/prometheus-node-exporter";

// Every fixture's metrics pass promtool, with a line that each must hold.
TEST(LinuxMetrics, PromtoolTakesEveryFixture)
{
	REQUIRE_SYSFS_MOUNT();
	SKIP_OR_FAIL_IF(tool_unavailable("/usr/bin/promtool"));
	const struct {
		const char *tree, *line;
	} cases[] = {
	    {"intel-laptop",
		"pelko_battery_time_remaining_seconds{unit=\"0\"} "
		"14400\n"},
	    {"two-batteries", "pelko_battery_rate_amperes{unit=\"1\"} 1.5\n"},
	    // A desktop says that it has no battery.
	    {"amd-desktop",
		"pelko_cpu_temperature_celsius{cpu=\"0\"} 48.375\n"
		"pelko_cpu_temperature_celsius{cpu=\"1\"} 48.375\n"},
	    {"amd-desktop", "pelko_batteries 0\n"},
	    {"amd-zen",
		"pelko_cpu_die_temperature_celsius{package=\"0\","
		"die=\"1\"} 47.75\n"},
	    {"intel-laptop",
		"pelko_cpu_package_throttles_total{package=\"0\"} "
		"7\n"},
	    {"empty-vm", "pelko_cpus 2\n"},
	    {"mouse-battery", "pelko_batteries 1\n"},
	    {"odd-batteries",
		"pelko_battery_total_time_remaining_seconds 5400\n"},
	    {"hybrid-cpu", "pelko_cpus 6\n"},
	    // An online of "yes" says nothing.
	    {"garbage", "pelko_batteries 2\n"},
	    {"big-64cpu", "pelko_cpus 64\n"},
	    // Each CPU and zone by its own number; no trip point at 0.
	    {"wifi-laptop",
		"pelko_cpus 3\n"
		"# HELP pelko_cpu_temperature_celsius Temperature of the CPU's "
		"core, to a tenth of a degree.\n"
		"# TYPE pelko_cpu_temperature_celsius gauge\n"
		"pelko_cpu_temperature_celsius{cpu=\"0\"} 48\n"
		"pelko_cpu_temperature_celsius{cpu=\"2\"} 49.5\n"
		"pelko_cpu_temperature_celsius{cpu=\"3\"} 49.5\n"},
	    {"wifi-laptop",
		"pelko_thermal_zone_temperature_celsius{zone=\"tz0\"} 45\n"
		"pelko_thermal_zone_temperature_celsius{zone=\"tz2\"} 53\n"
		"# HELP pelko_thermal_zone_info The thermal zone's type: "
		"thermal_zoneN/type on Linux.\n"
		"# TYPE pelko_thermal_zone_info gauge\n"
		"pelko_thermal_zone_info{zone=\"tz0\",type=\"acpitz\"} 1\n"
		"pelko_thermal_zone_info{zone=\"tz2\",type=\"x86_pkg_temp\"} "
		"1\n"},
	    {"wifi-laptop",
		"# TYPE pelko_thermal_zone_trip_point_celsius gauge\n"
		"pelko_thermal_zone_trip_point_celsius{zone=\"tz0\","
		"type=\"critical\"} 99\n#"},
	    // The driver's own estimate; the older threshold names.
	    {"wifi-laptop",
		"pelko_battery_time_to_full_seconds{unit=\"0\"} 4500\n"},
	    {"wifi-laptop",
		"pelko_battery_charge_start_threshold_ratio{unit=\"0\"} 0.4\n"},
	    // A package without a sensor keeps its throttle count.
	    {"two-socket",
		"pelko_cpu_package_throttles_total{package=\"0\"} 34818\n"
		"pelko_cpu_package_throttles_total{package=\"1\"} 6\n"},
	    // 17.5 Wh missing at 15 W.
	    {"two-socket", "pelko_battery_total_time_to_full_seconds 4200\n"},
	    {"sensor-laptop",
		"pelko_sensor_fan_min_rpm{chip=\"amdgpu-pci-0500\","
		"sensor=\"fan1\"} 2160\n"},
	    {"sensor-laptop",
		"pelko_cpu_frequency_hertz{cpu=\"2\"} 3100500000\n"},
	    // A fan stopped below its minimum, and +12 V above its maximum.
	    {"sensor-desktop",
		"pelko_sensor_alarm{chip=\"nct6798-isa-0290\",sensor=\"fan2\"} "
		"1\n"},
	    {"sensor-desktop",
		"# TYPE pelko_sensor_energy_joules_total counter\n"
		"pelko_sensor_energy_joules_total{chip=\"amd_energy-isa-0000\","
		"sensor=\"Esocket0\"} 123456.789012\n"},
	    {"sensor-desktop",
		"pelko_sensor_humidity_ratio{chip=\"sht3x-i2c-2-44\","
		"sensor=\"humidity1\"} 0.455\n"},
	    {"rapl-laptop",
		"# TYPE pelko_power_domain_energy_joules_total counter\n"
		"pelko_power_domain_energy_joules_total{domain=\"intel-rapl:0\","
		"name=\"package-0\"} 123456.789012\n"},
	    {"amd-zen",
		"pelko_power_domain_max_energy_joules{domain=\"intel-rapl:0:0\","
		"name=\"core\"} 65532.610987\n"},
	    // 20 V at 1.5 A.
	    {"usb-c-laptop",
		"pelko_power_supply_power_watts{supply=\"ucsi-source-psy-"
		"USBC000:001\"} 30\n"},
	    // A fan control without a fan input; a case that was opened.
	    {"fan-desktop",
		"pelko_sensor_fan_pwm_ratio{chip=\"nct6798-isa-0290\","
		"sensor=\"fan3\"} 1\n"},
	    {"fan-desktop",
		"pelko_sensor_alarm{chip=\"nct6798-isa-0290\","
		"sensor=\"intrusion0\"} 1\n"},
	    // The driver's words, each in a family of its own; what is left in
	    // a battery that counts charge.
	    {"two-batteries",
		"pelko_battery_status_info{unit=\"0\",status=\"Not charging\"} "
		"1\n"},
	    {"two-batteries",
		"pelko_battery_remaining_capacity_amphours{unit=\"1\"} 2\n"},
	    {"hot-laptop",
		"pelko_battery_health_info{unit=\"0\",health=\"Overheat\"} "
		"1\n"},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.tree);
		run_result r = run_over_sysfs(trees + c.tree, {"-p"});
		EXPECT_EQ(r.status, 0);
		EXPECT_EQ(r.err, "");
		EXPECT_EQ(promtool_verdict(r.out), "");
		EXPECT_NE(r.out.find(c.line), std::string::npos) << r.out;
		if (std::string(c.tree) == "garbage") {
			EXPECT_EQ(r.out.find("pelko_ac_online"),
			    std::string::npos);
		}
	}
}

// Without class/power_supply the metrics are whole all the same.
// Without class/power_supply, every output shows the rest; the text
// reports, -x with all its sections, end with status 72 naming it.
TEST(LinuxMetrics, NoPowerSupplyClass)
{
	REQUIRE_SYSFS_MOUNT();
	fixture_copy tree(trees + "intel-laptop");
	run_command({"/bin/rm", "-rf", tree.path + "/class/power_supply"});
	const std::string missing =
	    "pelko: /sys/class/power_supply: No such file or directory\n";
	const struct {
		std::vector<std::string> args;
		int status;
		const char *shown;
		std::string err;
	} cases[] = {
	    {{"-p"}, 0,
		"\npelko_thermal_zone_temperature_celsius{zone=\"tz1\"} 52\n",
		""},
	    {{"-j"}, 0, "\"batteries\":[],\"supplies\":[],\"sensors\":[{", ""},
	    {{}, 72, "\ttz1:\t\t\t\t52.0\t\t\t\tC\n", missing},
	    {{"-x"}, 72,
		"\tcoretemp-isa-0000 Core 1:\t53.5\t\t\t\tC\tcrit 100.0\n",
		missing},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.args.empty() ? "" : c.args[0]);
		run_result r = run_over_sysfs(tree.path, c.args);
		EXPECT_EQ(r.status, c.status);
		EXPECT_NE(r.out.find(c.shown), std::string::npos) << r.out;
		EXPECT_EQ(r.out.find("pelko_batter"), std::string::npos);
		EXPECT_EQ(r.err, c.err);
	}
}

// Under every open-files limit from 4 to 72, an interval run with -o
// either replaces the file with whole reports or stops with status 1 and
// leaves it as it was: never a report with a reading missing.  Each run
// is watched for two reports, each taken away as it comes, or for its
// end; then it is ended with SIGTERM.
TEST(LinuxMetrics, EveryDescriptorLimit)
{
	REQUIRE_SYSFS_MOUNT();
	const char script[] =
	    "mount --bind \"$1\" /sys || exit 2\n"
	    "cd \"$3\" && \"$2\" -p > whole && mkdir out || exit 2\n"
	    "take() {\n"
	    "  [ -e out/pelko.prom ] && ! grep -qx previous out/pelko.prom &&\n"
	    "    r=$((r + 1)) && mv out/pelko.prom report$r\n"
	    "}\n"
	    "n=4\n"
	    "while [ $n -le 72 ]; do\n"
	    "  printf 'previous\\n' > out/pelko.prom\n"
	    "  rm -f pid status report*\n"
	    "  (sh -c 'echo $$ > pid && exec prlimit --nofile=$0:$0 \"$1\" -i 0 -p \\\n"
	    "    -o out/pelko.prom' $n \"$2\" 2>/dev/null; echo $? > status) &\n"
	    "  run=$! r=0\n"
	    "  while [ $r -lt 2 ] && [ ! -e status ]; do\n"
	    "    take || \"$4\" --renamed $run out/pelko.prom\n"
	    "  done\n"
	    "  [ -e status ] || kill -TERM \"$(cat pid)\"\n"
	    "  wait\n"
	    "  take\n"
	    "  s=$(cat status)\n"
	    "  for f in report*; do\n"
	    "    [ ! -e \"$f\" ] || cmp -s \"$f\" whole || echo \"$n: a partial report\"\n"
	    "  done\n"
	    "  if [ $r = 0 ]; then\n"
	    "    [ \"$(cat out/pelko.prom)\" = previous ] || echo \"$n: previous file gone\"\n"
	    "    [ $s = 1 ] || echo \"$n: nothing written, status $s\"\n"
	    "  else\n"
	    "    [ $s = 143 ] || [ $s = 1 ] || echo \"$n: status $s\"\n"
	    "  fi\n"
	    "  [ $r = 0 ] && want=pelko.prom || want=\n"
	    "  [ \"$(ls -A out)\" = \"$want\" ] || echo \"$n: left $(ls -A out)\"\n"
	    "  n=$((n + 1))\n"
	    "done\n";
	for (const char *name : {"intel-laptop", "big-64cpu"}) {
		SCOPED_TRACE(name);
		char dir[] = "/tmp/pelko-limit-XXXXXX";
		ASSERT_NE(mkdtemp(dir), nullptr);
		run_result r =
		    run_command({"/usr/bin/unshare", "-m", "--propagation",
			"private", "/bin/sh", "-c", script, "sh", trees + name,
			PELKO_PATH, dir, std::string(PELKO_TESTS) + "/await"});
		run_command({"/bin/rm", "-rf", dir});
		EXPECT_EQ(r.status, 0) << r.err;
		EXPECT_EQ(r.out, "");
	}
}

// In an interval run, the watts of a domain are the energy its counter
// moved by between two reports over the time between them, as -j shows
// that time: after the first report the package's energy_uj grows by
// 1.5 J, and the first report that shows it says so.  The reports are
// read one by one from a pipe, so that none is missed.
TEST(LinuxMetrics, WattsBetweenReports)
{
	REQUIRE_SYSFS_MOUNT();
	SKIP_OR_FAIL_IF(tool_unavailable("/usr/bin/jq"));
	fixture_copy tree(trees + "rapl-laptop");
	const char script[] =
	    "mount --bind \"$1\" /sys || exit 2\n"
	    "f=/sys/class/powercap/intel-rapl:0/energy_uj\n"
	    "q='.pelko.power_domains[0]|\"\\(.energy_joules) "
	    "\\(.power_watts) \\(.power_interval_seconds)\"'\n"
	    "\"$2\" -j -i 1 2>/dev/null | {\n"
	    "  read -r first && echo 123458289012 > $f\n"
	    "  while read -r report; do\n"
	    "    set -- $(echo \"$report\" | jq -r \"$q\")\n"
	    "    [ \"$1\" = 123458.289012 ] && echo \"$2 $3\" && break\n"
	    "  done\n"
	    "}\n";
	run_result r = run_command({"/usr/bin/unshare", "-m", "--propagation",
	    "private", "/bin/sh", "-c", script, "sh", tree.path, PELKO_PATH});
	char *end = nullptr;
	double watts = strtod(r.out.c_str(), &end);
	double seconds = strtod(end, &end);
	ASSERT_EQ(std::string(end), "\n") << r.out << r.err;
	EXPECT_GT(seconds, 0);
	// Rounded to the microwatt.
	EXPECT_NEAR(watts * seconds, 1.5, seconds * 0.5e-6 + 1e-9);
}

// A counter that does not read (energy_uj is root's alone on current
// kernels; here a folder in its place) is unknown, hides none of the
// others, and -d says why.
TEST(LinuxMetrics, UnreadableEnergyCounter)
{
	REQUIRE_SYSFS_MOUNT();
	fixture_copy tree(trees + "rapl-laptop");
	const std::string file = tree.path +
	    "/devices/virtual/powercap/intel-rapl/intel-rapl:0/intel-rapl:0:1/"
	    "energy_uj";
	run_command({"/bin/rm", file});
	run_command({"/bin/mkdir", file});
	const std::string notice = "pelko: /sys/class/powercap/intel-rapl:0:1/"
				   "energy_uj: Is a directory\n";
	const struct {
		std::vector<std::string> args;
		const char *shown;
		std::string err;
	} cases[] = {
	    {{"-d", "-x"},
		"\tpackage0 uncore power:\t\tunknown\n"
		"\tpackage0 dram power:\t\t0.0\t\t\t\tW\n",
		notice},
	    {{"-d", "-j"},
		"\"name\":\"uncore\",\"energy_joules\":null,"
		"\"max_energy_joules\":262143.32885,",
		notice},
	    {{"-p"}, "{domain=\"intel-rapl:0:2\",name=\"dram\"} 9876.54321\n",
		""},
	};
	for (const auto &c : cases) {
		SCOPED_TRACE(c.args.back());
		run_result r = run_over_sysfs(tree.path, c.args);
		EXPECT_EQ(r.status, 0);
		EXPECT_NE(r.out.find(c.shown), std::string::npos) << r.out;
		EXPECT_EQ(r.err, c.err);
	}
}

// A port on 127.0.0.1 that nothing listens on just now.
int free_port()
{
	int s = socket(AF_INET, SOCK_STREAM, 0);
	sockaddr_in a{};
	a.sin_family = AF_INET;
	a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
	socklen_t length = sizeof a;
	if (bind(s, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 ||
	    getsockname(s, reinterpret_cast<sockaddr *>(&a), &length) != 0)
		throw std::runtime_error("no free port");
	close(s);
	return ntohs(a.sin_port);
}

// GET path from 127.0.0.1:port; "" when nothing answers.
std::string http_get(int port, const char *path)
{
	int s = socket(AF_INET, SOCK_STREAM, 0);
	sockaddr_in a{};
	a.sin_family = AF_INET;
	a.sin_port = htons(static_cast<uint16_t>(port));
	a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
	std::string response;
	if (connect(s, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0) {
		std::string request = std::string("GET ") + path +
		    " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
		if (write(s, request.data(), request.size()) ==
		    static_cast<ssize_t>(request.size())) {
			char buffer[65536];
			ssize_t n;
			while ((n = read(s, buffer, sizeof buffer)) > 0)
				response.append(buffer, static_cast<size_t>(n));
		}
	}
	close(s);
	return response;
}

// Reads fd until a line holds text; false at its end.
bool line_with(int fd, const char *text)
{
	std::string seen;
	char buffer[4096];
	ssize_t n;

	while ((n = read(fd, buffer, sizeof buffer)) > 0) {
		seen.append(buffer, static_cast<size_t>(n));
		if (seen.find(text) != std::string::npos)
			return true;
	}
	return false;
}

// One scrape of a node_exporter with one collector on 127.0.0.1, asked
// once its log says that it listens, and stopped by its process id; ""
// when it ends without listening.
std::string scrape_exporter(std::vector<std::string> options)
{
	int port = free_port();
	std::string listen =
	    "--web.listen-address=127.0.0.1:" + std::to_string(port);
	int log[2];
	if (pipe(log) != 0)
		return "";
	pid_t pid = fork();
	if (pid == 0) {
		int null_fd = open("/dev/null", O_WRONLY);
		dup2(null_fd, STDOUT_FILENO);
		dup2(log[1], STDERR_FILENO);
		close(log[0]);
		options.insert(options.begin(),
		    {exporter, listen, "--collector.disable-defaults"});
		std::vector<char *> argv;
		argv.reserve(options.size() + 1);
		for (std::string &o : options)
			argv.push_back(o.data());
		argv.push_back(nullptr);
		execv(exporter, argv.data());
		_exit(127);
	}
	close(log[1]);
	std::string scrape;
	if (pid > 0 && line_with(log[0], "msg=\"Listening on\""))
		scrape = http_get(port, "/metrics");
	if (pid > 0) {
		kill(pid, SIGTERM);
		waitpid(pid, nullptr, 0);
	}
	close(log[0]);
	return scrape;
}

// On each tree, every value that sensors -u prints is in pelko -j under
// the same chip and label, and every value of node_exporter's hwmon,
// rapl, power supply and thermal zone collectors is in pelko -p
// (tests/sensors_match says which differences are deliberate).
TEST(LinuxMetrics, SensorsAsTheToolsSeeThem)
{
	REQUIRE_SYSFS_MOUNT();
	SKIP_OR_FAIL_IF(tool_unavailable(exporter));
	SKIP_OR_FAIL_IF(tool_unavailable("/usr/bin/sensors"));
	const char script[] =
	    "for f in \"$1\"/*/; do n=$(basename \"$f\")\n"
	    "  [ -d \"/sys/$n\" ] && mount --bind \"$f\" \"/sys/$n\"\n"
	    "done\n"
	    ": > \"$3/empty.conf\"\n"
	    "sensors -u -c \"$3/empty.conf\" > \"$3/sensors\" 2>/dev/null\n"
	    "umount -R /sys 2>/dev/null; mount --bind \"$1\" /sys &&\n"
	    "\"$2\" -j > \"$3/pelko.json\" && \"$2\" -p > \"$3/pelko.prom\"\n";
	for (const char *name :
	    {"sensor-laptop", "sensor-desktop", "intel-laptop", "amd-desktop",
		"amd-zen", "hybrid-cpu", "big-64cpu", "old-kernel",
		"rapl-laptop", "usb-c-laptop", "fan-desktop"}) {
		SCOPED_TRACE(name);
		char dir[] = "/tmp/pelko-sensors-XXXXXX";
		ASSERT_NE(mkdtemp(dir), nullptr);
		std::string d = dir, tree = trees + name;
		run_result r = run_command(
		    {"/usr/bin/unshare", "-m", "--propagation", "private",
			"/bin/sh", "-c", script, "sh", tree, PELKO_PATH, d});
		EXPECT_EQ(r.status, 0) << r.err;
		std::string node = scrape_exporter(
		    {"--collector.hwmon", "--collector.powersupplyclass",
			"--collector.thermal_zone", "--path.sysfs=" + tree});
		EXPECT_NE(node, "");
		std::string rapl = scrape_exporter(
		    {"--collector.rapl", "--path.sysfs=" + tree});
		EXPECT_NE(rapl, "");
		node += rapl;
		std::ofstream(d + "/node.prom") << node;
		run_result match = run_command({"/usr/bin/python3",
		    std::string(PELKO_TESTS) + "/sensors_match", d + "/sensors",
		    d + "/pelko.json", d + "/node.prom", d + "/pelko.prom"});
		EXPECT_EQ(match.status, 0) << match.out << match.err;
		run_command({"/bin/rm", "-rf", d});
	}
}

TEST(LinuxMetrics, NodeExporterPassesThemOn)
{
	REQUIRE_SYSFS_MOUNT();
	SKIP_OR_FAIL_IF(tool_unavailable(exporter));
	char dir[] = "/tmp/pelko-textfile-XXXXXX";
	ASSERT_NE(mkdtemp(dir), nullptr);
	std::string file = std::string(dir) + "/pelko.prom";
	// A model name of 30 letters and an "é", which the 31 bytes a string
	// keeps would cut in two.
	fixture_copy tree(trees + "intel-laptop");
	const std::string battery =
	    "devices/LNXSYSTM:00/LNXSYBUS:00/PNP0C0A:00/power_supply/BAT0/";
	std::string uevent = read_file(tree.path + "/" + battery + "uevent");
	uevent.replace(uevent.find("5B10W13930"), 10,
	    std::string(30, 'a') + "\xc3\xa9");
	tree.replace(battery + "uevent", uevent);
	run_result written = run_over_sysfs(tree.path, {"-p", "-o", file});
	ASSERT_EQ(written.status, 0) << written.err;
	EXPECT_EQ(promtool_verdict(read_file(file)), "");

	std::string scrape = scrape_exporter({"--collector.textfile",
	    std::string("--collector.textfile.directory=") + dir});
	unlink(file.c_str());
	rmdir(dir);

	ASSERT_NE(scrape, "") << "node_exporter did not answer";
	for (const char *line :
	    {"\nnode_textfile_scrape_error 0\n", "\npelko_cpus 4\n",
		"\npelko_cpu_temperature_celsius{cpu=\"1\"} 53.5\n",
		"\npelko_thermal_zone_temperature_celsius{zone=\"tz1\"} 52\n",
		"\npelko_ac_online 0\n", "\npelko_batteries 1\n",
		"\npelko_battery_total_remaining_ratio 0.8\n",
		"\npelko_battery_total_time_remaining_seconds 14400\n",
		"\npelko_battery_last_full_capacity_watthours{unit=\"0\"} 51.3\n",
		"\npelko_battery_rate_watts{unit=\"0\"} 10.26\n",
		"\npelko_battery_discharging{unit=\"0\"} 1\n",
		"model=\"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa?\"",
		"\n# TYPE pelko_battery_info gauge\n"})
		EXPECT_NE(scrape.find(line), std::string::npos) << line;
}

} // namespace
