# Installing Tastor and packaging it for Debian. Included at the end of the top-level
# CMakeLists.txt, so that every target exists for the if(TARGET ...) tests below.
#
#   P/lib/tastor/        the program folder: executables, sibling libraries, cfg.ini,
#                        text.xml, skins/, translations/, appico.ico
#   P/bin/tastor, P/bin/tastor-cli   links into it (the program finds its folder through
#                        its real executable path)
#   P/share/applications, P/share/metainfo, P/share/icons/hicolor, P/share/doc/tastor,
#   P/share/dbus-1/interfaces
#   P/<TASTOR_UDEV_RULES_DIR>/70-tastor.rules
include(GNUInstallDirs)

set(TASTOR_APP_ID org.tastor.Tastor)
set(TASTOR_INSTALL_PROGRAMDIR "lib/tastor" CACHE STRING
    "The program folder under the prefix: executables, sibling libraries and data")
set(TASTOR_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING
    "Where the udev rule is installed, under the prefix unless absolute")
set(TASTOR_HOMEPAGE "https://tastor.example.org/" CACHE STRING "The project's web page, for the AppStream data")
set(TASTOR_SCREENSHOT_URL "https://tastor.example.org/screenshots" CACHE STRING
    "Where the screenshots of docs/screenshots are published, for the AppStream data")
set(TASTOR_RELEASE_DATE "2026-12-09" CACHE STRING "The date of this release, for the AppStream data")
set(TASTOR_PROJECT_LICENSE "LicenseRef-proprietary" CACHE STRING "The SPDX licence of the program")
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
foreach(lib HidPort HidPortSim TapHook Velum)
  if(TARGET ${lib})
    install(TARGETS ${lib} LIBRARY DESTINATION ${prog})
  endif()
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/data/cfg.ini ${CMAKE_SOURCE_DIR}/data/text.xml
              ${CMAKE_SOURCE_DIR}/data/appico.ico DESTINATION ${prog})
if(EXISTS ${CMAKE_SOURCE_DIR}/data/appfont.ttf)
  install(FILES ${CMAKE_SOURCE_DIR}/data/appfont.ttf DESTINATION ${prog})
endif()
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/skins DESTINATION ${prog})
# Every translation, and the English texts as translations/en/text.xml (made by data/).
install(DIRECTORY ${TASTOR_BIN_DIR}/translations DESTINATION ${prog})

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
          -DTASTOR_RELEASE_DATE=${TASTOR_RELEASE_DATE} -DTASTOR_HOMEPAGE=${TASTOR_HOMEPAGE}
          -DTASTOR_SCREENSHOT_URL=${TASTOR_SCREENSHOT_URL} -DTASTOR_PROJECT_LICENSE=${TASTOR_PROJECT_LICENSE}
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

# The hicolor icons, drawn from the skin's icon.
if(TARGET tastor-icons)
  set(icon_outputs)
  foreach(size ${TASTOR_ICON_SIZES})
    list(APPEND icon_outputs ${gen}/icons/${size}x${size}/apps/${TASTOR_APP_ID}.png)
  endforeach()
  add_custom_command(OUTPUT ${icon_outputs}
    COMMAND ${TASTOR_TOOL_LAUNCHER} $<TARGET_FILE:tastor-icons> ${CMAKE_SOURCE_DIR}/data/appico.ico ${gen}/icons ${TASTOR_APP_ID} ${TASTOR_ICON_SIZES}
    DEPENDS tastor-icons ${CMAKE_SOURCE_DIR}/data/appico.ico
    COMMENT "Drawing the desktop icons from appico.ico"
    VERBATIM)
  list(APPEND tastor_packaging_outputs ${icon_outputs})
  install(DIRECTORY ${gen}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
endif()
add_custom_target(tastor_packaging ALL DEPENDS ${tastor_packaging_outputs})

# The documentation, in the package's own folder (text.xml links to it).
set(docdir ${CMAKE_INSTALL_DATADIR}/doc/tastor)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/DESIGN.md DESTINATION ${docdir})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/screenshots DESTINATION ${docdir})

# The Debian package: cpack -G DEB in the build folder.
set(CPACK_PACKAGE_NAME tastor)
set(CPACK_PACKAGE_VENDOR "The Tastor developers")
set(CPACK_PACKAGE_CONTACT "The Tastor developers <tastor@tastor.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration utility for a USB gaming keyboard")
set(CPACK_PACKAGE_DESCRIPTION "Tastor assigns functions, lighting and macros to the keys of a USB gaming
keyboard, keeps three profiles and writes them into the keyboard's memory.
tastor-cli does the same from the command line.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Staged with DESTDIR, so that the install step sees the package's own prefix (/usr) and the
# udev rule names the probe where the package puts it.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES OFF)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TASTOR_HOMEPAGE})
# The dependencies come from the libraries the executables and the sibling libraries need,
# and Qt's own translations (file dialogs, edit menus) in the languages of translations/.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/postinst ${CMAKE_SOURCE_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_GENERATOR DEB)
include(CPack)
