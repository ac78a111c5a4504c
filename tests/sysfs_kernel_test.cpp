// SPDX-License-Identifier: BSD-2-Clause
// What the Linux reader's kept files rest on, checked on this machine's
// kernel rather than on a fixture tree, which cannot show it: when a
// device goes, its folder, held open, lists empty; its attributes, held
// open, read ENODEV; and the kernel's count of device events grows.  A
// veth pair made in a private network namespace, with sysfs mounted
// there in a private mount namespace, is the device.

#include <sys/mount.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <errno.h>
#include <fcntl.h>
#include <sched.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "sysfs_mount.h"

namespace {

long event_count()
{
	char text[32] = {};
	int fd = open("/sys/kernel/uevent_seqnum", O_RDONLY | O_CLOEXEC);
	ssize_t length = fd >= 0 ? read(fd, text, sizeof text - 1) : -1;
	if (fd >= 0)
		close(fd);
	return length > 0 ? strtol(text, nullptr, 10) : -1;
}

// The entries of the folder but "." and "..", each after a blank, as
// getdents64(2) gives them.
std::string entries_of(int folder)
{
	alignas(8) char buffer[4096];
	std::string names;
	long length;

	while ((length = syscall(SYS_getdents64, folder, buffer,
		    sizeof buffer)) > 0) {
		for (long at = 0; at < length;) {
			unsigned short record;
			memcpy(&record, buffer + at + 16, sizeof record);
			const char *name = buffer + at + 19;
			if (strcmp(name, ".") != 0 && strcmp(name, "..") != 0)
				names += std::string(" ") + name;
			at += record;
		}
	}
	return length == 0 ? names : " (failed)";
}

// In a child in its own namespaces: what the kernel did, one word per
// check ("setup ..." when the device could not be made).
std::string device_goes()
{
	if (unshare(CLONE_NEWNET | CLONE_NEWNS) != 0 ||
	    mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
	    mount("sysfs", "/sys", "sysfs", 0, nullptr) != 0)
		return std::string("setup namespaces: ") + strerror(errno);
	if (system("ip link add pelko0 type veth peer name pelko1") != 0)
		return "setup: ip link add failed";
	int folder =
	    open("/sys/class/net/pelko0", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
	int attribute = open("/sys/class/net/pelko0/mtu", O_RDONLY | O_CLOEXEC);
	char text[64];
	long before = event_count();
	if (folder < 0 || attribute < 0 || pread(attribute, text, 64, 0) <= 0 ||
	    entries_of(folder).empty())
		return "setup: the device's files cannot be read";
	if (system("ip link del pelko0") != 0)
		return "setup: ip link del failed";
	// Listed again as the reader does, rewound.
	std::string seen = lseek(folder, 0, SEEK_SET) == 0
	    ? "listed" + entries_of(folder)
	    : std::string("lseek: ") + strerror(errno);
	errno = 0;
	ssize_t read = pread(attribute, text, sizeof text, 0);
	seen += read < 0 && errno == ENODEV ? " ENODEV"
					    : " read " + std::to_string(read);
	seen += event_count() > before ? " counted" : " not counted";
	return seen;
}

TEST(SysfsKernel, DeviceGoneIsSeenThroughHeldFiles)
{
	SKIP_OR_FAIL_IF(geteuid() != 0 ? "not root: no network namespace"
		: access("/usr/sbin/ip", X_OK) != 0 ? "no /usr/sbin/ip"
						    : "");
	int out[2];
	ASSERT_EQ(pipe(out), 0);
	pid_t child = fork();
	ASSERT_GE(child, 0);
	if (child == 0) {
		std::string seen = device_goes();
		ssize_t written = write(out[1], seen.data(), seen.size());
		_exit(written == static_cast<ssize_t>(seen.size()) ? 0 : 1);
	}
	close(out[1]);
	std::string seen;
	char buffer[256];
	for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
		seen.append(buffer, static_cast<size_t>(n));
	close(out[0]);
	int status;
	ASSERT_EQ(waitpid(child, &status, 0), child);
	SKIP_OR_FAIL_IF(seen.rfind("setup", 0) == 0 ? seen : "");
	EXPECT_EQ(seen, "listed ENODEV counted");
}

} // namespace
