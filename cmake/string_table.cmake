# SPDX-License-Identifier: MIT
# Writes the resource string table of korvane.exe from the core's table of
# localized texts (src/base/messages.cpp, kStrings): each {ID, "TEXT"} or
# {512 + ID, "TEXT"} entry becomes the string ID (English) or 512 + ID
# (German). The texts keep their C escapes, which the resource compiler
# reads the same way.
#   cmake -DSOURCE=src/base/messages.cpp -DOUTPUT=korvane_strings.rc -P string_table.cmake
file(STRINGS ${SOURCE} lines ENCODING UTF-8)
set(in_table OFF)
set(count 0)
set(body "")
foreach(line IN LISTS lines)
  if(line MATCHES "kStrings\\[\\] = {")
    set(in_table ON)
  elseif(in_table AND line MATCHES "^};")
    set(in_table OFF)
  elseif(in_table AND line MATCHES "^ *{(512 \\+ )?([0-9]+), (\".*\")},$")
    set(id ${CMAKE_MATCH_2})
    if(CMAKE_MATCH_1)
      math(EXPR id "512 + ${id}")
    endif()
    string(APPEND body "    ${id}, ${CMAKE_MATCH_3}\n")
    math(EXPR count "${count} + 1")
  elseif(in_table AND NOT line MATCHES "^ *//")
    message(FATAL_ERROR "${SOURCE}: a line of kStrings that is no {ID, \"TEXT\"} entry: ${line}")
  endif()
endforeach()
if(count LESS 40)
  message(FATAL_ERROR "${SOURCE}: only ${count} texts found in kStrings")
endif()
file(WRITE ${OUTPUT}.new "// Generated from ${SOURCE}.\nSTRINGTABLE\nBEGIN\n${body}END\n")
configure_file(${OUTPUT}.new ${OUTPUT} COPYONLY)
