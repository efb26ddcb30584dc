# SPDX-License-Identifier: GPL-2.0-or-later
# Installing Tastor and packaging it for Debian. Included at the end of the top-level
# CMakeLists.txt, so that every target exists for the if(TARGET ...) tests below.
#
#   P/lib/tastor/        the program folder: executables and sibling libraries, and links
#                        to the data beside them (cfg.ini, text.xml, skins/, translations/,
#                        appico.ico), which the program reads from its own folder
#   P/share/tastor/      the data itself (architecture-independent files belong in share/)
#   P/bin/tastor, P/bin/tastor-cli   links into the program folder (the program finds its
#                        folder through its real executable path)
#   P/share/applications, P/share/metainfo, P/share/icons/hicolor, P/share/doc/tastor,
#   P/share/man/man1, the bash and zsh completions, P/share/dbus-1/interfaces
#   P/<TASTOR_UDEV_RULES_DIR>/70-tastor.rules
#   /etc/tastor/cfg.ini (P/etc/tastor/ for a prefix other than /usr)
include(GNUInstallDirs)

set(TASTOR_APP_ID org.tastor.Tastor)
set(TASTOR_INSTALL_PROGRAMDIR "lib/tastor" CACHE STRING
    "The program folder under the prefix: executables, sibling libraries and links to the data")
set(TASTOR_INSTALL_DATADIR "${CMAKE_INSTALL_DATADIR}/tastor" CACHE STRING
    "Where the data the program folder links to is installed, under the prefix")
set(TASTOR_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING
    "Where the udev rule is installed, under the prefix unless absolute")
# The licence of the program (SPDX); a fact of the project, not a choice of the build.
set(TASTOR_PROJECT_LICENSE "GPL-2.0-or-later")
set(TASTOR_ICON_SIZES 16 22 24 32 48 64 128 256)

set(prog ${TASTOR_INSTALL_PROGRAMDIR})
set(gen ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${gen})

# The program folder.
set(tastor_programs tastor-cli)
if(TARGET tastor)
  list(APPEND tastor_programs tastor)
endif()
# The helper the udev rule runs, when the build has one.
if(TARGET tastor-udev-probe)
  list(APPEND tastor_programs tastor-udev-probe)
endif()
install(TARGETS ${tastor_programs} RUNTIME DESTINATION ${prog})
set(tastor_installed_binaries ${tastor_programs})
foreach(lib HidPort HidPortSim TapHook Velum)
  if(TARGET ${lib})
    install(TARGETS ${lib} LIBRARY DESTINATION ${prog})
    list(APPEND tastor_installed_binaries lib${lib}.so)
  endif()
endforeach()
# The compiler's version note (.comment) is of no use in an installed binary; Debian's
# tools drop it when they strip, and the package is stripped by CPack, which keeps it.
if(CMAKE_OBJCOPY)
  install(CODE "
    foreach(binary ${tastor_installed_binaries})
      execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${prog}/\${binary}\" RESULT_VARIABLE status)
      if(NOT status EQUAL 0)
        message(FATAL_ERROR \"objcopy could not drop the .comment section of \${binary}\")
      endif()
    endforeach()
  ")
endif()
# The data lives in share/tastor/; the program folder holds relative links to it, so that
# the program reads cfg.ini, text.xml and skins/ beside its executable as everywhere else.
set(data ${TASTOR_INSTALL_DATADIR})
install(FILES ${CMAKE_SOURCE_DIR}/data/cfg.ini ${CMAKE_SOURCE_DIR}/data/text.xml
              ${CMAKE_SOURCE_DIR}/data/appico.ico DESTINATION ${data})
set(tastor_data_entries cfg.ini text.xml appico.ico skins translations)
if(EXISTS ${CMAKE_SOURCE_DIR}/data/appfont.ttf)
  install(FILES ${CMAKE_SOURCE_DIR}/data/appfont.ttf DESTINATION ${data})
  list(APPEND tastor_data_entries appfont.ttf)
endif()
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/skins DESTINATION ${data})
# Every translation, and the English texts as translations/en/text.xml (made by data/).
install(DIRECTORY ${TASTOR_BIN_DIR}/translations DESTINATION ${data})
file(RELATIVE_PATH data_link_target /p/${prog} /p/${data})
file(MAKE_DIRECTORY ${gen}/program-links)
set(tastor_data_links)
foreach(entry ${tastor_data_entries})
  file(CREATE_LINK ${data_link_target}/${entry} ${gen}/program-links/${entry} SYMBOLIC)
  list(APPEND tastor_data_links ${gen}/program-links/${entry})
endforeach()
install(FILES ${tastor_data_links} DESTINATION ${prog})

# bin/tastor and bin/tastor-cli: relative links, so the installed tree may be moved.
file(RELATIVE_PATH link_target /p/${CMAKE_INSTALL_BINDIR} /p/${prog})
file(MAKE_DIRECTORY ${gen}/bin)
set(tastor_links)
foreach(program ${tastor_programs})
  if(program STREQUAL "tastor-udev-probe")
    continue()
  endif()
  file(CREATE_LINK ${link_target}/${program} ${gen}/bin/${program} SYMBOLIC)
  list(APPEND tastor_links ${gen}/bin/${program})
endforeach()
install(FILES ${tastor_links} DESTINATION ${CMAKE_INSTALL_BINDIR})

# The desktop entry.
configure_file(${CMAKE_SOURCE_DIR}/packaging/tastor.desktop.in ${gen}/${TASTOR_APP_ID}.desktop @ONLY)
install(FILES ${gen}/${TASTOR_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The AppStream data and the udev rule follow cfg.ini and the rule tastor-cli prints: both
# are made by the built tastor-cli.
# The rule names the probe by its installed path, which is known only when installing (the
# prefix of "cmake --install --prefix P", /usr in the package): the rule is made with a
# placeholder folder that the install step replaces.
# --installed-probe: the rule names that path unchecked, as the probe is put there by the
# install step (run by root for a system install, by dpkg for the package).
set(TASTOR_PROBE_PLACEHOLDER "/@TASTOR_PROGRAM_DIR@")
set(default_udev_options "")
if(TARGET tastor-udev-probe)
  set(default_udev_options "--installed-probe;${TASTOR_PROBE_PLACEHOLDER}/tastor-udev-probe")
endif()
# A build folder configured before --installed-probe existed holds the old default.
if(TASTOR_UDEV_RULE_OPTIONS STREQUAL "--probe;${TASTOR_PROBE_PLACEHOLDER}/tastor-udev-probe")
  unset(TASTOR_UDEV_RULE_OPTIONS CACHE)
endif()
set(TASTOR_UDEV_RULE_OPTIONS "${default_udev_options}" CACHE STRING "Options for \"tastor-cli udev-rule\" when the installed rule is made")
set(udev_options ${TASTOR_UDEV_RULE_OPTIONS})
add_custom_command(
  OUTPUT ${gen}/${TASTOR_APP_ID}.metainfo.xml ${gen}/70-tastor.rules
  COMMAND ${TASTOR_TOOL_LAUNCHER} ${CMAKE_COMMAND}
          -DCLI=$<TARGET_FILE:tastor-cli> -DPROGRAM_DIR=${TASTOR_BIN_DIR}/
          -DMETAINFO_IN=${CMAKE_SOURCE_DIR}/packaging/tastor.metainfo.xml.in
          -DMETAINFO_OUT=${gen}/${TASTOR_APP_ID}.metainfo.xml
          -DUDEV_OUT=${gen}/70-tastor.rules "-DUDEV_OPTIONS=${udev_options}"
          -DTASTOR_APP_ID=${TASTOR_APP_ID} -DPROJECT_VERSION=${PROJECT_VERSION}
          -DTASTOR_RELEASE_DATE=${TASTOR_RELEASE_DATE} -DTASTOR_PROJECT_LICENSE=${TASTOR_PROJECT_LICENSE}
          -P ${CMAKE_SOURCE_DIR}/packaging/GenerateFromSettings.cmake
  DEPENDS tastor-cli tastor_data ${CMAKE_SOURCE_DIR}/data/cfg.ini
          ${CMAKE_SOURCE_DIR}/packaging/tastor.metainfo.xml.in ${CMAKE_SOURCE_DIR}/packaging/GenerateFromSettings.cmake
  COMMENT "Making the AppStream data and the udev rule from cfg.ini"
  VERBATIM)
set(tastor_packaging_outputs ${gen}/${TASTOR_APP_ID}.metainfo.xml ${gen}/70-tastor.rules)
install(FILES ${gen}/${TASTOR_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The interface the running program offers on the session bus (scripts, shortcuts).
if(TARGET tastor)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/org.tastor.Tastor1.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/dbus-1/interfaces)
endif()
install(CODE "
  set(rules_dir \"${TASTOR_UDEV_RULES_DIR}\")
  if(NOT IS_ABSOLUTE \"\${rules_dir}\")
    set(rules_dir \"\${CMAKE_INSTALL_PREFIX}/\${rules_dir}\")
  endif()
  file(READ \"${gen}/70-tastor.rules\" rule)
  string(REPLACE \"${TASTOR_PROBE_PLACEHOLDER}/\" \"\${CMAKE_INSTALL_PREFIX}/${prog}/\" rule \"\${rule}\")
  message(STATUS \"Installing: \$ENV{DESTDIR}\${rules_dir}/70-tastor.rules\")
  file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${rules_dir}\")
  file(WRITE \"\$ENV{DESTDIR}\${rules_dir}/70-tastor.rules\" \"\${rule}\")
  # udev runs the probe as root: an installation others can change (a user's own prefix)
  # is told so, with the reason tastor-cli gives. A staged install (DESTDIR: the package)
  # is put in place by root later.
  set(probe \"\${CMAKE_INSTALL_PREFIX}/${prog}/tastor-udev-probe\")
  if(\"\$ENV{DESTDIR}\" STREQUAL \"\" AND EXISTS \"\${probe}\")
    execute_process(COMMAND \"\${CMAKE_INSTALL_PREFIX}/${prog}/tastor-cli\" udev-rule --probe \"\${probe}\"
      OUTPUT_QUIET ERROR_VARIABLE why RESULT_VARIABLE refused)
    if(NOT refused EQUAL 0)
      message(WARNING \"Do not give 70-tastor.rules of this installation to udev: \${why}\")
    endif()
  endif()
")

# The icon: one hand-drawn scalable image (packaging/tastor.svg), and the hicolor sizes
# rendered from it at build time with rsvg-convert (librsvg2-bin).
set(icon_source ${CMAKE_SOURCE_DIR}/packaging/tastor.svg)
install(FILES ${icon_source} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${TASTOR_APP_ID}.svg)
find_program(TASTOR_RSVG_CONVERT rsvg-convert)
if(TASTOR_RSVG_CONVERT)
  foreach(size ${TASTOR_ICON_SIZES})
    set(icon ${gen}/icons/${size}x${size}/apps/${TASTOR_APP_ID}.png)
    add_custom_command(OUTPUT ${icon}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${gen}/icons/${size}x${size}/apps
      COMMAND ${TASTOR_RSVG_CONVERT} --width ${size} --height ${size} --output ${icon} ${icon_source}
      DEPENDS ${icon_source}
      COMMENT "Rendering the ${size} pixel icon"
      VERBATIM)
    list(APPEND tastor_packaging_outputs ${icon})
  endforeach()
  install(DIRECTORY ${gen}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
else()
  message(WARNING "rsvg-convert (Debian package librsvg2-bin) is missing: only the scalable icon is installed")
endif()

# The manual pages tastor(1) and tastor-cli(1): what the built programs print for
# --help-man, from the same texts as their --help.
set(man_programs tastor-cli)
if(TARGET tastor)
  list(APPEND man_programs tastor)
endif()
find_program(TASTOR_GZIP gzip REQUIRED)
foreach(program ${man_programs})
  set(page ${gen}/man/${program}.1)
  add_custom_command(OUTPUT ${page} ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${gen}/man
    COMMAND ${TASTOR_TOOL_LAUNCHER} ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}> -DPAGE=${page}
            -DGZIP=${TASTOR_GZIP} -P ${CMAKE_SOURCE_DIR}/packaging/ManPage.cmake
    DEPENDS ${program} ${CMAKE_SOURCE_DIR}/packaging/ManPage.cmake
    COMMENT "Making the manual page ${program}(1)"
    VERBATIM)
  list(APPEND tastor_packaging_outputs ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# Shell completion of tastor-cli's commands, options, key names and macros (they ask
# tastor-cli --help-completion, keyname and macros when they complete).
install(FILES ${CMAKE_SOURCE_DIR}/packaging/completions/tastor-cli.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tastor-cli)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/completions/_tastor-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)

# The system-wide overrides of the user's switches: a commented template that sets nothing,
# a conffile of the package (packaging/conffiles), so that an administrator's edits survive
# upgrades. Its place follows the prefix at install time as the GNU directories have it
# (/usr: /etc/tastor, any other prefix: PREFIX/etc/tastor), which CPack's staging prefix
# (/usr) would not change in a destination fixed when the build was configured.
install(CODE "
  if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
    set(tastor_etc /etc/tastor)
  else()
    set(tastor_etc \"\${CMAKE_INSTALL_PREFIX}/etc/tastor\")
  endif()
  file(INSTALL DESTINATION \"\${tastor_etc}\" TYPE FILE RENAME cfg.ini
       FILES \"${CMAKE_SOURCE_DIR}/packaging/system-cfg.ini\")
")

# What lintian is told about the package (packaging/lintian-overrides says why).
install(FILES ${CMAKE_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME tastor)

add_custom_target(tastor_packaging ALL DEPENDS ${tastor_packaging_outputs})

# The documentation, in the package's own folder (text.xml links to it): the licence in
# Debian's machine-readable form and the package's changelog beside README and DESIGN.
set(docdir ${CMAKE_INSTALL_DATADIR}/doc/tastor)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/DESIGN.md ${CMAKE_SOURCE_DIR}/packaging/copyright
        DESTINATION ${docdir})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/screenshots DESTINATION ${docdir})

# Whoever builds the package is its maintainer, as Debian's own tools take it: DEBFULLNAME
# and DEBEMAIL, else the git identity of the source tree, else user@host. The project has
# no address of its own to put there.
if(NOT TASTOR_PACKAGE_MAINTAINER)
  set(maintainer_name "$ENV{DEBFULLNAME}")
  set(maintainer_mail "$ENV{DEBEMAIL}")
  if(maintainer_mail MATCHES "^(.*[^ ]) *<([^>]+)>$")
    if(maintainer_name STREQUAL "")
      set(maintainer_name "${CMAKE_MATCH_1}")
    endif()
    set(maintainer_mail "${CMAKE_MATCH_2}")
  endif()
  find_package(Git QUIET)
  foreach(field name mail)
    if(maintainer_${field} STREQUAL "" AND GIT_FOUND)
      set(key user.name)
      if(field STREQUAL "mail")
        set(key user.email)
      endif()
      execute_process(COMMAND ${GIT_EXECUTABLE} -C ${CMAKE_SOURCE_DIR} config ${key}
        OUTPUT_VARIABLE maintainer_${field} OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    endif()
  endforeach()
  if(maintainer_name STREQUAL "")
    set(maintainer_name "The Tastor developers")
  endif()
  if(maintainer_mail STREQUAL "")
    cmake_host_system_information(RESULT host QUERY FQDN)
    set(user "$ENV{USER}")
    if(user STREQUAL "")
      set(user "$ENV{LOGNAME}")
    endif()
    if(user STREQUAL "")
      execute_process(COMMAND id -un OUTPUT_VARIABLE user OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    endif()
    set(maintainer_mail "${user}@${host}")
  endif()
  set(TASTOR_PACKAGE_MAINTAINER "${maintainer_name} <${maintainer_mail}>" CACHE STRING
      "The Debian package's maintainer, \"Name <address>\"" FORCE)
endif()

# The package's version: the project's, with the package revision after it.
set(TASTOR_DEBIAN_RELEASE 1)
set(TASTOR_DEBIAN_VERSION ${PROJECT_VERSION}-${TASTOR_DEBIAN_RELEASE})
# The changelog entry is dated on the release date, so that two builds of one release make
# the same file: "Wed, 09 Dec 2026 00:00:00 +0000" (the weekday by Sakamoto's rule).
if(NOT TASTOR_RELEASE_DATE MATCHES "^([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$")
  message(FATAL_ERROR "TASTOR_RELEASE_DATE \"${TASTOR_RELEASE_DATE}\" is not YYYY-MM-DD")
endif()
set(day_text ${CMAKE_MATCH_3})
math(EXPR year "${CMAKE_MATCH_1}")
math(EXPR month "${CMAKE_MATCH_2}")
math(EXPR day "${CMAKE_MATCH_3}")
set(month_offsets 0 3 2 5 0 3 5 1 4 6 2 4)
math(EXPR month_index "${month} - 1")
list(GET month_offsets ${month_index} offset)
set(y ${year})
if(month LESS 3)
  math(EXPR y "${y} - 1")
endif()
math(EXPR weekday "(${y} + ${y} / 4 - ${y} / 100 + ${y} / 400 + ${offset} + ${day}) % 7")
set(weekday_names Sun Mon Tue Wed Thu Fri Sat)
set(month_names Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(GET weekday_names ${weekday} weekday_name)
list(GET month_names ${month_index} month_name)
set(TASTOR_CHANGELOG_DATE "${weekday_name}, ${day_text} ${month_name} ${year} 00:00:00 +0000")
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.Debian.in ${gen}/changelog.Debian @ONLY)
# Compressed as Debian wants it: the best compression, without the file's name and time.
add_custom_command(OUTPUT ${gen}/changelog.Debian.gz
  COMMAND ${TASTOR_GZIP} -9nkf ${gen}/changelog.Debian
  DEPENDS ${gen}/changelog.Debian
  COMMENT "Compressing the package's changelog"
  VERBATIM)
add_custom_target(tastor_changelog ALL DEPENDS ${gen}/changelog.Debian.gz)
install(FILES ${gen}/changelog.Debian.gz DESTINATION ${docdir})

# The Debian package: cpack -G DEB in the build folder. Its binaries are stripped; their
# debug information goes into the tastor-dbgsym package beside it (found through the
# binaries' build ids under /usr/lib/debug).
set(CPACK_PACKAGE_NAME tastor)
set(CPACK_PACKAGE_VENDOR "The Tastor developers")
set(CPACK_PACKAGE_CONTACT "${TASTOR_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration utility for a USB gaming keyboard")
set(CPACK_PACKAGE_DESCRIPTION "Tastor assigns functions, lighting and macros to the keys of a USB gaming
keyboard, keeps three profiles and writes them into the keyboard's memory.
tastor-cli does the same from the command line.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${TASTOR_DEBIAN_RELEASE})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Staged with DESTDIR, so that the install step sees the package's own prefix (/usr) and the
# udev rule names the probe where the package puts it.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
# CPackDeb splits the debug information off the binaries it finds unstripped and strips
# them itself; CPACK_STRIP_FILES would strip them first and leave nothing to split.
set(CPACK_STRIP_FILES OFF)
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The dependencies come from the libraries the executables and the sibling libraries need
# (Qt's X11 platform plugin, which the windows run on, is part of libqt6gui6), and Qt's own
# translations (file dialogs, edit menus) in the languages of translations/. In a Wayland
# session the windows need XWayland, which not every compositor installs by itself.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xwayland)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/postinst ${CMAKE_SOURCE_DIR}/packaging/postrm
    ${CMAKE_SOURCE_DIR}/packaging/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/packaging/FinishDebugPackage.cmake)
set(CPACK_GENERATOR DEB)
include(CPack)
