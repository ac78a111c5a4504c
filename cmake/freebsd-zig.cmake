# SPDX-License-Identifier: BSD-2-Clause
# Cross-builds pelko for FreeBSD 14 on x86-64 with the Zig toolchain, which
# ships FreeBSD's system headers and stub libraries of its libc:
#
#   pip install -r cmake/freebsd-requirements.txt
#   cmake -S . -B build-freebsd -DCMAKE_TOOLCHAIN_FILE=cmake/freebsd-zig.cmake
#   cmake --build build-freebsd
set(CMAKE_SYSTEM_NAME FreeBSD)
set(CMAKE_SYSTEM_VERSION 14.0)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER ${CMAKE_CURRENT_LIST_DIR}/zig-cc)
set(CMAKE_CXX_COMPILER ${CMAKE_CURRENT_LIST_DIR}/zig-c++)
set(CMAKE_AR ${CMAKE_CURRENT_LIST_DIR}/zig-ar CACHE FILEPATH "archiver")
set(CMAKE_RANLIB ${CMAKE_CURRENT_LIST_DIR}/zig-ranlib CACHE FILEPATH "ranlib")

# Nothing of the build machine may be found for the target.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The linker's section garbage collection would drop the .note.tag that
# tells the FreeBSD kernel which release the binary was built for.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,--no-gc-sections")
