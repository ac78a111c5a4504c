// SPDX-License-Identifier: BSD-2-Clause
// Forced into pelko's own sources for the option fuzzer: exit, err, errx
// and main are renamed, so that a run returns to the fuzzer with its status.
// The system headers come first, so that their own declarations keep the
// real names.
#pragma once

#include <cstdlib>
#include <err.h>
#include <stdlib.h>

extern "C" [[noreturn]] void pelko_fuzz_exit(int status);
extern "C" [[noreturn]] void pelko_fuzz_err(int status, const char *format, ...)
    __attribute__((format(printf, 2, 3)));
extern "C" [[noreturn]] void pelko_fuzz_errx(int status, const char *format,
    ...) __attribute__((format(printf, 2, 3)));

#define exit pelko_fuzz_exit
#define err pelko_fuzz_err
#define errx pelko_fuzz_errx
#define main pelko_main
