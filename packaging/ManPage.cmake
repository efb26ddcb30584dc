# SPDX-License-Identifier: GPL-2.0-or-later
# Run at build time (cmake -P) with a built program, so that the installed manual page is
# what the program itself prints for --help-man, made from the same texts as its --help:
#   -DPROGRAM=tastor-cli -DPAGE=tastor-cli.1 -DGZIP=gzip   (writes PAGE and PAGE.gz)
execute_process(COMMAND ${PROGRAM} --help-man
  OUTPUT_VARIABLE page RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0 OR page STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} --help-man failed: ${errors}")
endif()
file(WRITE ${PAGE} "${page}")
# Compressed as Debian wants it: the best compression, without the file's name and time.
execute_process(COMMAND ${GZIP} -9nkf ${PAGE} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip could not compress ${PAGE}")
endif()
