// For the simulator, which answers sysctl(3) itself: handing a 4-byte value
// out as the kernel does.
#pragma once

#include <errno.h>
#include <string.h>

#include <cstddef>
#include <cstdint>

// Copies value to oldp, whose room *oldlenp gives; with no buffer, only
// gives the length.  -1 with ENOMEM when the room is too small.
inline int sysctl_copy_out(int32_t value, void *oldp, size_t *oldlenp)
{
	if (oldp == nullptr) {
		if (oldlenp != nullptr)
			*oldlenp = sizeof value;
		return 0;
	}
	if (oldlenp == nullptr || *oldlenp < sizeof value) {
		errno = ENOMEM;
		return -1;
	}
	memcpy(oldp, &value, sizeof value);
	*oldlenp = sizeof value;
	return 0;
}
