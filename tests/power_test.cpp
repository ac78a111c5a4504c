// SPDX-License-Identifier: BSD-2-Clause
// The processor's energy counters on FreeBSD, as the simulated cpuctl(4)
// devices give them: the joules and watts are the registers' counts times
// their unit, across a wrap; what cannot be read is unknown, and -d says
// why.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run.h"
#include "sysfs_mount.h"

namespace {

using args = std::vector<std::string>;

// CPUID of an Intel laptop's two threads of one core (Kaby Lake, family 6
// model 0x8E), and of a server's (Skylake-SP, model 0x55).
const std::string intel_vendor = " 0 0x16 0x756e6547 0x6c65746e 0x49656e69\n";
std::string intel(const char *model_eax)
{
	std::string s = "ncpu 2\nacpi rw\n";
	for (const char *cpu : {"0", "1"}) {
		s += std::string("cpuid ") + cpu + intel_vendor;
		s += std::string("cpuid ") + cpu + " 1 " + model_eax + " 0x" +
		    cpu + "020000 0 0x10000000\n";
	}
	// The energy unit: 1/2^14 J.
	return s + "msr 0 0x606 0xa0e03\n";
}
const std::string laptop = intel("0x806ea");
const std::string server = intel("0x50654");

// An AMD Zen 2 (family 17h) of two cores of two threads each, counting in
// 1/2^16 J.
std::string amd(const char *eax)
{
	std::string s = "ncpu 4\nacpi rw\n";
	for (int cpu = 0; cpu < 4; cpu++) {
		std::string c = "cpuid " + std::to_string(cpu);
		s += c + " 0 0x10 0x68747541 0x444d4163 0x69746e65\n";
		s += c + " 1 " + eax + " 0x" + std::to_string(cpu) +
		    "040000 0 0x10000000\n";
		s += c + " 0x8000001e 0 0x100 0 0\n";
	}
	return s + "msr 0 0xc0010299 0xa1003\nmsr 2 0xc0010299 0xa1003\n";
}
const std::string zen = amd("0x870f10");

const std::string package = "pelko_power_domain_energy_joules_total{domain=";

// Where the package's 32-bit counter of 1/2^14 J wraps.
const std::string package_range =
    "pelko_power_domain_max_energy_joules{domain=\"cpu0:0x611\","
    "name=\"package-0\"} 262144\n";

struct power_case {
	const char *what;
	std::string scenario;
	args options;
	std::vector<std::string> shown; // each in the output
	std::string err;
};

TEST(Power, RegistersTimesTheirUnit)
{
	const power_case cases[] = {
	    {"one-shot -p: one reading, no power",
		laptop +
		    "msr 0 0x611 16384000 16506880\nmsr 0 0x639 8192\n"
		    "msr 0 0x641 16384\nmsr 0 0x619 1638400\n"
		    "msr 0 0x64d 4096\n",
		{"-p"},
		{package + "\"cpu0:0x611\",name=\"package-0\"} 1000\n",
		    package + "\"cpu0:0x639\",name=\"core\"} 0.5\n",
		    package + "\"cpu0:0x641\",name=\"uncore\"} 1\n",
		    package + "\"cpu0:0x619\",name=\"dram\"} 100\n",
		    package + "\"cpu0:0x64d\",name=\"psys\"} 0.25\n",
		    package_range},
		""},
	    {"-x: a second reading 100 ms after the first",
		laptop +
		    "msr 0 0x611 16384000 16506880\nmsr 0 0x639 8192 8192\n",
		{"-x"},
		{"\n[CPU power]\n\tpackage0 power:\t\t\t75.0\t\t\t\tW\n"
		 "\tpackage0 core power:\t\t0.0\t\t\t\tW\n"},
		""},
	    {"a server's DRAM counts in 1/2^16 J",
		server + "msr 0 0x611 16384\nmsr 0 0x619 65536\n", {"-p"},
		{package + "\"cpu0:0x619\",name=\"dram\"} 1\n",
		    package + "\"cpu0:0x611\",name=\"package-0\"} 1\n"},
		""},
	    {"a wrap between reports: the count goes on, the watts from the "
	     "difference",
		laptop + "msr 0 0x611 0xffff0000 0x10000\ncycles 2\n",
		{"-p", "-i", "10"},
		{package + "\"cpu0:0x611\",name=\"package-0\"} 262140\n",
		    package + "\"cpu0:0x611\",name=\"package-0\"} 262148\n",
		    "pelko_power_domain_power_watts{domain=\"cpu0:0x611\","
		    "name=\"package-0\"} 0.8\n",
		    "pelko_power_domain_power_interval_seconds{domain="
		    "\"cpu0:0x611\",name=\"package-0\"} 10\n"},
		"sleep 10\nsleep 10\n"},
	    {"AMD: the package once, each core once",
		zen +
		    "msr 0 0xc001029b 655360 720896\n"
		    "msr 0 0xc001029a 65536 98304\n"
		    "msr 2 0xc001029a 32768 32768\n",
		{"-x"},
		{"\tpackage0 power:\t\t\t10.0\t\t\t\tW\n"
		 "\tCPU0 core power:\t\t5.0\t\t\t\tW\n"
		 "\tCPU2 core power:\t\t0.0\t\t\t\tW\n"},
		""},
	    {"-x in interval mode: sampled at the first report, then between "
	     "reports",
		zen + "msr 0 0xc001029b 655360 720896 917504\ncycles 2\n",
		{"-x", "-i", "3"},
		{"\tpackage0 power:\t\t\t10.0\t\t\t\tW\n",
		    "\tpackage0 power:\t\t\t1.0\t\t\t\tW\n"},
		"sleep 3\nsleep 3\n"},
	    {"AMD in -j", zen + "msr 0 0xc001029b 98304\n", {"-j"},
		{"\"power_domains\":[{\"domain\":\"cpu0:0xc001029b\","
		 "\"name\":\"package-0\",\"energy_joules\":1.5,"
		 "\"max_energy_joules\":65536,\"power_watts\":null,"
		 "\"power_interval_seconds\":null}]"},
		""},
	    {"no cpuctl device", laptop.substr(0, laptop.find("cpuid")),
		{"-d", "-x"}, {},
		"pelko: /dev/cpuctl0: No such file or directory\n"},
	    {"no permission", laptop + "cpuctl 0 fail 13\ncpuctl 1 fail 13\n",
		{"-d", "-p"}, {}, "pelko: /dev/cpuctl0: Permission denied\n"},
	    {"without -d, no word", laptop + "cpuctl 0 fail 13\n", {"-p"}, {},
		""},
	    {"a processor without the counters",
		laptop.substr(0, laptop.find("msr")), {"-d", "-p"}, {},
		"pelko: /dev/cpuctl0: Bad address\n"},
	    {"AMD before family 17h", amd("0x600f20"), {"-d", "-j"},
		{"\"power_domains\":[]"},
		"pelko: /dev/cpuctl0: Operation not supported\n"},
	};
	for (const power_case &c : cases) {
		SCOPED_TRACE(c.what);
		run_result r = run_sim(c.scenario, c.options);
		EXPECT_EQ(r.status, 0) << r.err;
		for (const std::string &s : c.shown) {
			EXPECT_NE(r.out.find(s), std::string::npos)
			    << s << r.out;
		}
		if (c.shown.empty()) {
			EXPECT_EQ(r.out.find("power_domain"),
			    std::string::npos);
			EXPECT_EQ(r.out.find("[CPU power]"), std::string::npos);
		}
		EXPECT_EQ(r.err, c.err);
		// A one-shot -p is one metrics file.
		if (c.options == args{"-p"} &&
		    tool_unavailable("/usr/bin/promtool").empty()) {
			EXPECT_EQ(promtool_verdict(r.out), "");
		}
	}
}

} // namespace
