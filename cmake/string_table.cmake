# SPDX-License-Identifier: MIT
# Writes the resource string table of korvane.exe from the core's table of
# localized texts (src/base/messages.cpp, kStrings): each {ID, "TEXT"} or
# {512 + ID, "TEXT"} entry becomes the string ID (English) or 512 + ID
# (German). The texts keep their C escapes, which the resource compiler
# reads the same way.
#   cmake -DSOURCE=src/base/messages.cpp -DOUTPUT=korvane_strings.rc -P string_table.cmake
# The lines as a CMake list: a ';' of the texts would split one, so it is
# held as a mark until the text is written.
file(READ ${SOURCE} content)
string(REPLACE ";" "@SEMICOLON@" content "${content}")
string(REPLACE "\n" ";" lines "${content}")
set(in_table OFF)
set(count 0)
set(body "")
# An entry may go on over several lines, its text split into string
# literals one after the other; they are joined into one.
set(pending "")
foreach(line IN LISTS lines)
  if(NOT pending STREQUAL "")
    if(NOT line MATCHES "^ *\"(.*\")(},)?$")
      message(FATAL_ERROR "${SOURCE}: an entry of kStrings goes on with no string: ${line}")
    endif()
    set(rest "${CMAKE_MATCH_1}")
    set(closed "${CMAKE_MATCH_2}")
    string(REGEX REPLACE "\"$" "" pending "${pending}")
    string(APPEND pending "${rest}")
    if(closed STREQUAL "")
      continue()
    endif()
    set(line "${pending}},")
    set(pending "")
  elseif(in_table AND line MATCHES "^ *{(512 \\+ )?([0-9]+), \".*\"$")
    set(pending "${line}")
    continue()
  endif()
  if(line MATCHES "kStrings\\[\\] = {")
    set(in_table ON)
  elseif(in_table AND line MATCHES "^}@SEMICOLON@")
    set(in_table OFF)
  elseif(in_table AND line MATCHES "^ *{(512 \\+ )?([0-9]+), (\".*\")},$")
    set(id ${CMAKE_MATCH_2})
    if(CMAKE_MATCH_1)
      math(EXPR id "512 + ${id}")
    endif()
    string(REPLACE "@SEMICOLON@" ";" text "${CMAKE_MATCH_3}")
    string(APPEND body "    ${id}, ${text}\n")
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
