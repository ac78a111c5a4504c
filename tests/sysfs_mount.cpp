// SPDX-License-Identifier: BSD-2-Clause
#include "sysfs_mount.h"

#include <unistd.h>

#include <fstream>
#include <stdexcept>

run_result run_over_sysfs(const std::string &tree,
    const std::vector<std::string> &args)
{
	// unshare(1) makes the namespace; the shell inside mounts the tree
	// and becomes pelko.
	std::vector<std::string> argv{"/usr/bin/unshare", "-m", "--propagation",
	    "private", "/bin/sh", "-c",
	    "mount --bind \"$1\" /sys && shift && exec \"$@\"", "sh", tree,
	    PELKO_PATH};
	argv.insert(argv.end(), args.begin(), args.end());
	return run_command(argv);
}

fixture_copy::fixture_copy(const std::string &tree)
{
	char dir[] = "/tmp/pelko-tree-XXXXXX";
	if (mkdtemp(dir) == nullptr ||
	    run_command({"/bin/cp", "-a", tree + "/.", dir}).status != 0)
		throw std::runtime_error("cannot copy " + tree);
	path = dir;
}

fixture_copy::~fixture_copy()
{
	run_command({"/bin/rm", "-rf", path});
}

void fixture_copy::replace(const std::string &relative,
    const std::string &text) const
{
	std::string file = path + "/" + relative;
	unlink(file.c_str());
	std::ofstream(file) << text;
}

std::string sysfs_mount_unavailable()
{
	if (geteuid() != 0)
		return "cannot mount a fixture over /sys: not root";
	run_result r = run_over_sysfs(PELKO_FIXTURES "/sysfs/empty-vm", {"-v"});
	return r.status == 0 ? ""
			     : "cannot mount a fixture over /sys: " + r.err;
}

std::string tool_unavailable(const char *path)
{
	return access(path, X_OK) == 0 ? "" : std::string("no ") + path;
}

std::string promtool_verdict(const std::string &metrics)
{
	char path[] = "/tmp/pelko-metrics-XXXXXX";
	int fd = mkstemp(path);
	if (fd < 0)
		return "mkstemp failed";
	close(fd);
	std::ofstream(path) << metrics;
	run_result r = run_command({"/bin/sh", "-c",
	    "/usr/bin/promtool check metrics < \"$1\"", "sh", path});
	unlink(path);
	return r.status == 0 && r.out.empty() && r.err.empty()
	    ? ""
	    : "promtool: status " + std::to_string(r.status) + ": " + r.out +
		r.err;
}
