# SPDX-License-Identifier: BSD-2-Clause
# Run by cmake --install: fills the service files' templates in with the
# path the binary is installed at, which the prefix given at install time
# decides (cmake --install --prefix), else the one configured.  The
# templates say %%PREFIX%%/bin/pelko, as FreeBSD's ports write it: a port
# fills the rc.d script in itself.
#
# Set before it runs: PELKO_BINDIR (absolute, or relative to the prefix),
# PELKO_SERVICE_SOURCE (the templates) and PELKO_SERVICE_BUILD (where the
# filled-in files go).
if(IS_ABSOLUTE "${PELKO_BINDIR}")
  set(binary "${PELKO_BINDIR}/pelko")
else()
  set(binary "${CMAKE_INSTALL_PREFIX}/${PELKO_BINDIR}/pelko")
endif()
foreach(template pelko.in pelko.service.in)
  if(template STREQUAL "pelko.in")
    set(made "rc.d/pelko")
  else()
    set(made "systemd/pelko.service")
  endif()
  file(READ "${PELKO_SERVICE_SOURCE}/${template}" text)
  string(REPLACE "%%PREFIX%%/bin/pelko" "${binary}" text "${text}")
  file(WRITE "${PELKO_SERVICE_BUILD}/${made}" "${text}")
endforeach()
