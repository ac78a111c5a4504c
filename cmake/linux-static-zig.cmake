# SPDX-License-Identifier: BSD-2-Clause
# Builds pelko for Linux on x86-64 as one static binary over musl, with the
# Zig toolchain of the FreeBSD build: no loader and no shared library, so
# one file serves every Linux host of a fleet, whatever its C library.
#
#   pip install -r cmake/freebsd-requirements.txt
#   cmake -S . -B build-static -DCMAKE_TOOLCHAIN_FILE=cmake/linux-static-zig.cmake
#   cmake --build build-static
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER ${CMAKE_CURRENT_LIST_DIR}/zig-musl-cc)
set(CMAKE_CXX_COMPILER ${CMAKE_CURRENT_LIST_DIR}/zig-musl-c++)
set(CMAKE_AR ${CMAKE_CURRENT_LIST_DIR}/zig-ar CACHE FILEPATH "archiver")
set(CMAKE_RANLIB ${CMAKE_CURRENT_LIST_DIR}/zig-ranlib CACHE FILEPATH "ranlib")

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Each function in a section of its own, so that the linker drops what
# nothing calls: the binary goes to every host of a fleet.
set(CMAKE_C_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_CXX_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--gc-sections")

# Built for size, whatever the build type: the one file is copied to every
# host, and a report's time goes to the kernel and to first touches of the
# binary's pages, not to its own instructions.  pelko throws nothing and
# asks for no backtrace, so it carries no unwind tables either.
set(PELKO_TOOLCHAIN_OPTIONS -Os -fno-asynchronous-unwind-tables -fno-unwind-tables)
