# SPDX-License-Identifier: GPL-2.0-or-later
# Run at build time (cmake -P) with the built tastor-cli, so that the installed files follow
# the cfg.ini the program reads and the rule the program itself prints:
#   -DCLI=tastor-cli -DPROGRAM_DIR=bin/ -DMETAINFO_IN=... -DMETAINFO_OUT=...
#   -DUDEV_OUT=... [-DUDEV_OPTIONS=a;b] and the variables the metainfo template names.
execute_process(COMMAND ${CLI} --program-dir ${PROGRAM_DIR} config --json
  OUTPUT_VARIABLE config RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "tastor-cli config failed: ${errors}")
endif()
string(JSON vid GET "${config}" VID)
string(JSON pid GET "${config}" PID)
if(vid EQUAL 0 AND pid EQUAL 0)
  message(FATAL_ERROR "cfg.ini in ${PROGRAM_DIR} names no keyboard (VID and PID are 0)")
endif()
# The kernel's modalias of a USB device: usb:vVVVVpPPPPd... with upper-case hex digits.
math(EXPR vid_hex "${vid}" OUTPUT_FORMAT HEXADECIMAL)
math(EXPR pid_hex "${pid}" OUTPUT_FORMAT HEXADECIMAL)
string(SUBSTRING "${vid_hex}" 2 -1 vid_hex)
string(SUBSTRING "${pid_hex}" 2 -1 pid_hex)
string(TOUPPER "${vid_hex}" vid_hex)
string(TOUPPER "${pid_hex}" pid_hex)
string(LENGTH "${vid_hex}" n)
while(n LESS 4)
  string(PREPEND vid_hex 0)
  string(LENGTH "${vid_hex}" n)
endwhile()
string(LENGTH "${pid_hex}" n)
while(n LESS 4)
  string(PREPEND pid_hex 0)
  string(LENGTH "${pid_hex}" n)
endwhile()
set(TASTOR_MODALIAS "usb:v${vid_hex}p${pid_hex}d*")
configure_file(${METAINFO_IN} ${METAINFO_OUT} @ONLY)

# The installed udev rule is what "tastor-cli udev-rule" prints, removal events skipped
# included. The text is written as it came, never taken apart as a CMake list (a ";" in it
# would split a line). UDEV_OPTIONS names the probe's installed path with --installed-probe:
# the build folder's probe is not what udev will run.
execute_process(COMMAND ${CLI} --program-dir ${PROGRAM_DIR} udev-rule ${UDEV_OPTIONS}
  OUTPUT_VARIABLE rule RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "tastor-cli udev-rule failed: ${errors}")
endif()
string(FIND "${rule}" "ACTION==\"remove\", GOTO=\"tastor_end\"\n" skip)
string(FIND "${rule}" "LABEL=\"tastor_end\"\n" label)
if(skip EQUAL -1 OR label EQUAL -1)
  message(FATAL_ERROR "tastor-cli udev-rule printed a rule that does not skip removal events")
endif()
file(WRITE ${UDEV_OUT}.new "${rule}")
file(COPY_FILE ${UDEV_OUT}.new ${UDEV_OUT} ONLY_IF_DIFFERENT)
file(REMOVE ${UDEV_OUT}.new)
