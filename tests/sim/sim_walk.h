// SPDX-License-Identifier: BSD-2-Clause
// The simulated kernel's answers to the queries that walk the variable
// tree, as sysctl -a does: name to identifier ({0, 3}), the next variable
// ({0, 2, ...}), an identifier's name ({0, 1, ...}) and its format
// ({0, 4, ...}); and the variables by their identifiers.  The scenario's
// variables are the leaves, in the kernel's order: component by
// component, numbers by their value.  Each component is numbered among its
// siblings in that order, so that the identifiers sort as the names do and
// those of one node's variables begin with the node's.
#pragma once

#include <cstddef>

#include "scenario.h"

// sysctl(3) with a name that begins with 0; -1 with errno as the kernel
// sets it.
int sim_walk_sysctl(const scenario &machine, const int *name, unsigned namelen,
    void *oldp, size_t *oldlenp, const void *newp, size_t newlen);

// The variable whose identifier is oid; *exists tells a node above
// variables (nullptr, *exists true) from no such identifier.
const sim_variable *sim_variable_at(const scenario &machine, const int *oid,
    unsigned length, bool *exists);
