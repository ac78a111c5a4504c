// SPDX-License-Identifier: BSD-2-Clause
// A metric family of the text exposition format, written sample by
// sample.
#pragma once

#include <cstdint>

// Its HELP and TYPE lines go out before its first sample, so that a family
// without samples writes nothing.
struct family {
	const char *name;
	const char *help;
	const char *type;
	bool started;
};

// The family's header lines the first time.
void begin_family(family *f);

// The same, then the sample's name.
void begin_sample(family *f);
