// The Linux layer answers the platform calls from sysfs.  Beside those
// calls it offers one thing: pointing it at another tree.
#pragma once

// Reads below path instead of "/sys" from now on, forgetting what was
// read.  For the tests, which point the layer at fixture trees.
void linux_use_sysfs_root(const char *path);
