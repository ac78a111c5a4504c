// SPDX-License-Identifier: BSD-2-Clause
#include "sim_walk.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "sysctl_value.h"

namespace {

// Each name's components are numbered in the kernel's order from 0x100,
// where the kernel starts the numbers it gives: no identifier begins with
// 0, the queries' number, or is {6, 3}, the CPU count's.
constexpr int first_number = 0x100;
constexpr size_t max_oid = 24; // CTL_MAXNAME

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

// Component by component, numbers by their value ("1" and "01" by their
// text), a node before what is below it.
bool before(const std::vector<std::string> &x,
    const std::vector<std::string> &y)
{
	for (size_t i = 0; i < x.size() && i < y.size(); i++) {
		if (x[i] == y[i])
			continue;
		if (all_digits(x[i]) && all_digits(y[i])) {
			long a = strtol(x[i].c_str(), nullptr, 10);
			long b = strtol(y[i].c_str(), nullptr, 10);
			if (a != b)
				return a < b;
		}
		return x[i] < y[i];
	}
	return x.size() < y.size();
}

// A name of the tree: a variable of the scenario, or a node above one.
struct entry {
	std::string name;
	std::vector<int> oid;
	const sim_variable *variable; // nullptr for a node above variables
};

// The tree's names in the kernel's order, which is their identifiers'.
const std::vector<entry> &tree(const scenario &machine)
{
	static std::vector<entry> all;
	static bool made;
	if (made)
		return all;
	made = true;
	std::unordered_map<std::string, const sim_variable *> names;
	for (const auto &[name, v] : machine.variables) {
		names[name] = &v;
		for (size_t dot = name.find('.'); dot != std::string::npos;
		     dot = name.find('.', dot + 1))
			names.emplace(name.substr(0, dot), nullptr);
	}
	std::vector<std::pair<std::vector<std::string>, entry>> sorted;
	sorted.reserve(names.size());
	for (const auto &[name, v] : names)
		sorted.push_back({components(name), entry{name, {}, v}});
	std::sort(sorted.begin(), sorted.end(),
	    [](const auto &a, const auto &b) {
		    return before(a.first, b.first);
	    });
	// A parent comes before its children: each child's number is one
	// more than its elder sibling's.
	std::unordered_map<std::string, size_t> index;
	std::unordered_map<std::string, int> children;
	all.reserve(sorted.size());
	for (auto &[parts, e] : sorted) {
		size_t dot = e.name.rfind('.');
		std::string parent =
		    dot == std::string::npos ? "" : e.name.substr(0, dot);
		if (!parent.empty())
			e.oid = all[index.at(parent)].oid;
		e.oid.push_back(first_number + children[parent]++);
		index[e.name] = all.size();
		all.push_back(e);
	}
	return all;
}

bool oid_less(const std::vector<int> &a, const int *b, size_t length)
{
	return std::lexicographical_compare(a.begin(), a.end(), b, b + length);
}

// The entry whose identifier is oid; nullptr when there is none.
const entry *find(const std::vector<entry> &all, const int *oid, size_t length)
{
	auto at = std::lower_bound(all.begin(), all.end(), 0,
	    [&](const entry &e, int) { return oid_less(e.oid, oid, length); });
	if (at == all.end() ||
	    !std::equal(at->oid.begin(), at->oid.end(), oid, oid + length))
		return nullptr;
	return &*at;
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

int copy_oid(const std::vector<int> &oid, void *oldp, size_t *oldlenp)
{
	return sysctl_copy_out(oid.data(), oid.size(), oldp, oldlenp);
}

int name_to_oid(const scenario &machine, const void *newp, size_t newlen,
    void *oldp, size_t *oldlenp)
{
	std::string name(static_cast<const char *>(newp), newlen);
	while (!name.empty() && name.back() == '\0')
		name.pop_back();
	for (const entry &e : tree(machine))
		if (e.name == name)
			return copy_oid(e.oid, oldp, oldlenp);
	errno = ENOENT;
	return -1;
}

// The first variable after oid in the kernel's order: a node's first
// variable below it, a variable's follower.
int next(const std::vector<entry> &all, const int *oid, size_t length,
    void *oldp, size_t *oldlenp)
{
	auto at = std::upper_bound(all.begin(), all.end(), 0,
	    [&](int, const entry &e) {
		    return std::lexicographical_compare(oid, oid + length,
			e.oid.begin(), e.oid.end());
	    });
	for (; at != all.end(); ++at)
		if (at->variable != nullptr && !at->variable->node)
			return copy_oid(at->oid, oldp, oldlenp);
	errno = ENOENT;
	return -1;
}

} // namespace

int sim_walk_sysctl(const scenario &machine, const int *name, unsigned namelen,
    void *oldp, size_t *oldlenp, const void *newp, size_t newlen)
{
	const std::vector<entry> &all = tree(machine);

	if (namelen == 2 && name[1] == 3)
		return name_to_oid(machine, newp, newlen, oldp, oldlenp);
	if (namelen < 3 || namelen > max_oid + 2 || oldlenp == nullptr) {
		errno = ENOENT;
		return -1;
	}
	const int *oid = name + 2;
	size_t length = namelen - 2;
	if (name[1] == 2)
		return next(all, oid, length, oldp, oldlenp);
	const entry *e = find(all, oid, length);
	if (e == nullptr) {
		errno = ENOENT;
		return -1;
	}
	if (name[1] == 1)
		return copy_bytes(e->name.c_str(), e->name.size() + 1, oldp,
		    oldlenp);
	if (name[1] == 4) { // the kind, CTLTYPE_INT or _NODE, the format
		bool node = e->variable == nullptr || e->variable->node;
		auto format = machine.formats.find(e->name);
		std::string text = node		      ? "N"
		    : format == machine.formats.end() ? "I"
						      : format->second;
		std::vector<char> answer(sizeof(unsigned) + text.size() + 1);
		unsigned kind = node ? 1 : 2;
		memcpy(answer.data(), &kind, sizeof kind);
		memcpy(answer.data() + sizeof kind, text.c_str(),
		    text.size() + 1);
		return copy_bytes(answer.data(), answer.size(), oldp, oldlenp);
	}
	errno = ENOENT;
	return -1;
}

const sim_variable *sim_variable_at(const scenario &machine, const int *oid,
    unsigned length, bool *exists)
{
	const entry *e = find(tree(machine), oid, length);
	*exists = e != nullptr;
	return e == nullptr ? nullptr : e->variable;
}
