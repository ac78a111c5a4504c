// SPDX-License-Identifier: BSD-2-Clause
// For the simulator, which answers sysctl(3) itself: handing a variable's
// 4-byte values out as the kernel does.
#pragma once

#include <errno.h>
#include <string.h>

#include <cstddef>
#include <cstdint>

// Copies the count values to oldp, whose room *oldlenp gives; with no
// buffer, only gives the length.  -1 with ENOMEM when the room is too
// small for them all.
inline int sysctl_copy_out(const int32_t *values, size_t count, void *oldp,
    size_t *oldlenp)
{
	size_t length = count * sizeof *values;

	if (oldp == nullptr) {
		if (oldlenp != nullptr)
			*oldlenp = length;
		return 0;
	}
	if (oldlenp == nullptr || *oldlenp < length) {
		errno = ENOMEM;
		return -1;
	}
	memcpy(oldp, values, length);
	*oldlenp = length;
	return 0;
}
