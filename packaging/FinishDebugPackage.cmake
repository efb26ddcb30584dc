# SPDX-License-Identifier: GPL-2.0-or-later
# Run by cpack after it has made the packages (CPACK_POST_BUILD_SCRIPTS): mends the debug
# symbols package tastor-dbgsym as Debian's own tools make one. CPackDeb lists its files in
# md5sums by their absolute staging paths (so dpkg could not verify them), gives the
# .debug files execute bits, and leaves it without the documentation folder that Debian's
# debug packages share with their main package. The package is unpacked, mended and made
# again with dpkg-deb (xz at its quickest level: the debug information is large, and
# packs well even so).
find_program(DPKG_DEB dpkg-deb REQUIRED)
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "-dbgsym_[^/]*\\.ddeb$")
    continue()
  endif()
  set(root "${CPACK_TOPLEVEL_DIRECTORY}/dbgsym-mend")
  file(REMOVE_RECURSE "${root}")
  execute_process(COMMAND ${DPKG_DEB} --raw-extract "${package}" "${root}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "dpkg-deb could not unpack ${package}")
  endif()

  file(GLOB_RECURSE debug_files LIST_DIRECTORIES false RELATIVE "${root}" "${root}/usr/*")
  list(SORT debug_files)
  set(sums "")
  foreach(file IN LISTS debug_files)
    file(CHMOD "${root}/${file}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    file(MD5 "${root}/${file}" sum)
    string(APPEND sums "${sum}  ${file}\n")
  endforeach()
  file(WRITE "${root}/DEBIAN/md5sums" "${sums}")
  file(CHMOD "${root}/DEBIAN/md5sums" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

  # usr/share/doc/tastor-dbgsym -> tastor: the licence and changelog of the package it
  # depends on, as the debug packages of Debian's archive have them.
  string(REGEX REPLACE "^.*/([^/_]+)-dbgsym_[^/]*$" "\\1" main_package "${package}")
  file(MAKE_DIRECTORY "${root}/usr/share/doc")
  file(CREATE_LINK "${main_package}" "${root}/usr/share/doc/${main_package}-dbgsym" SYMBOLIC)

  execute_process(COMMAND ${DPKG_DEB} --root-owner-group -Zxz -z1 --build "${root}" "${package}"
    RESULT_VARIABLE status OUTPUT_QUIET)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "dpkg-deb could not make ${package} again")
  endif()
  file(REMOVE_RECURSE "${root}")
endforeach()
