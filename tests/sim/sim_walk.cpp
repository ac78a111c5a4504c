// SPDX-License-Identifier: BSD-2-Clause
#include "sim_walk.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "sysctl_value.h"

namespace {

// Identifiers: leaf i is {i + 1}; an interior node, {node_base + i}, where
// i is its first leaf, which is the next variable after it.
constexpr int node_base = 1 << 24;

bool all_digits(const std::string &s)
{
	return !s.empty() &&
	    s.find_first_not_of("0123456789") == std::string::npos;
}

std::vector<std::string> components(const std::string &name)
{
	std::vector<std::string> parts;
	size_t start = 0;
	for (size_t dot; (dot = name.find('.', start)) != std::string::npos;
	     start = dot + 1)
		parts.push_back(name.substr(start, dot - start));
	parts.push_back(name.substr(start));
	return parts;
}

bool before(const std::string &a, const std::string &b)
{
	std::vector<std::string> x = components(a), y = components(b);
	for (size_t i = 0; i < x.size() && i < y.size(); i++) {
		if (x[i] == y[i])
			continue;
		if (all_digits(x[i]) && all_digits(y[i]))
			return strtol(x[i].c_str(), nullptr, 10) <
			    strtol(y[i].c_str(), nullptr, 10);
		return x[i] < y[i];
	}
	return x.size() < y.size();
}

const std::vector<std::string> &leaves(const scenario &machine)
{
	static std::vector<std::string> sorted;
	static bool made;
	if (!made) {
		for (const auto &[name, v] : machine.variables)
			if (!v.node)
				sorted.push_back(name);
		std::sort(sorted.begin(), sorted.end(), before);
		made = true;
	}
	return sorted;
}

int copy_bytes(const void *bytes, size_t length, void *oldp, size_t *oldlenp)
{
	if (oldp == nullptr) {
		*oldlenp = length;
		return 0;
	}
	if (*oldlenp < length) {
		errno = ENOMEM;
		return -1;
	}
	memcpy(oldp, bytes, length);
	*oldlenp = length;
	return 0;
}

int name_to_oid(const scenario &machine, const void *newp, size_t newlen,
    void *oldp, size_t *oldlenp)
{
	std::string name(static_cast<const char *>(newp), newlen);
	while (!name.empty() && name.back() == '\0')
		name.pop_back();
	const std::vector<std::string> &all = leaves(machine);
	for (size_t i = 0; i < all.size(); i++) {
		int32_t oid;
		if (all[i] == name)
			oid = static_cast<int32_t>(i + 1);
		else if (all[i].compare(0, name.size() + 1, name + ".") == 0)
			oid = static_cast<int32_t>(node_base + i);
		else
			continue;
		return sysctl_copy_out(&oid, 1, oldp, oldlenp);
	}
	errno = ENOENT;
	return -1;
}

} // namespace

int sim_walk_sysctl(const scenario &machine, const int *name, unsigned namelen,
    void *oldp, size_t *oldlenp, const void *newp, size_t newlen)
{
	const std::vector<std::string> &all = leaves(machine);

	if (namelen == 2 && name[1] == 3)
		return name_to_oid(machine, newp, newlen, oldp, oldlenp);
	if (namelen != 3 || oldlenp == nullptr) {
		errno = ENOENT;
		return -1;
	}
	int oid = name[2];
	size_t leaf = oid >= node_base ? static_cast<size_t>(oid - node_base)
				       : static_cast<size_t>(oid - 1);
	if (oid < 1 || leaf >= all.size()) {
		errno = ENOENT;
		return -1;
	}
	if (name[1] == 2) { // next: a node's first leaf, a leaf's follower
		size_t next = oid >= node_base ? leaf : leaf + 1;
		if (next >= all.size()) {
			errno = ENOENT;
			return -1;
		}
		int32_t found = static_cast<int32_t>(next + 1);
		return sysctl_copy_out(&found, 1, oldp, oldlenp);
	}
	if (oid >= node_base) {
		errno = ENOENT;
		return -1;
	}
	const std::string &leaf_name = all[leaf];
	if (name[1] == 1)
		return copy_bytes(leaf_name.c_str(), leaf_name.size() + 1, oldp,
		    oldlenp);
	if (name[1] == 4) { // the kind, CTLTYPE_INT, then the format
		auto format = machine.formats.find(leaf_name);
		std::string text =
		    format == machine.formats.end() ? "I" : format->second;
		std::vector<char> answer(sizeof(unsigned) + text.size() + 1);
		unsigned kind = 2;
		memcpy(answer.data(), &kind, sizeof kind);
		memcpy(answer.data() + sizeof kind, text.c_str(),
		    text.size() + 1);
		return copy_bytes(answer.data(), answer.size(), oldp, oldlenp);
	}
	errno = ENOENT;
	return -1;
}
