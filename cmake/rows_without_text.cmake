# Writes the routine catalogue's rows without the text for game authors:
#   cmake -DROWS=plugin/catalogue_rows.h -DOUTPUT=.../catalogue_rows_without_text.h -P THIS
# TIER_ROUTINE_ROWS_WITH_TEXT becomes TIER_ROUTINE_ROWS, each row without its
# last column, Says("summary", "description"). OUTPUT is written only when its
# content changes, so that a changed text rebuilds nothing that reads the rows
# alone. Stops on a row without its Says and on a Says that is not its row's
# last column.

file(READ "${ROWS}" source)

# The macro: from its #define to the first line that does not end in a backslash.
if(NOT source MATCHES "#define TIER_ROUTINE_ROWS_WITH_TEXT\\(([^\n]*\\\\\n)*[^\n]*")
  message(FATAL_ERROR "${ROWS}: no #define TIER_ROUTINE_ROWS_WITH_TEXT(")
endif()
set(rows "${CMAKE_MATCH_0}")

# Each row's Says, its last column: string literals, commas, blanks and line
# continuations in parentheses, then the row's closing parenthesis. It leaves
# an @ behind, for the checks below.
set(literal "\"([^\"\\\\]|\\\\.)*\"")
string(REGEX REPLACE ",[ \\\\\n]*Says\\(([ ,\\\\\n]|${literal})*\\)\\)" "@)" rows "${rows}")

set(row_start "(CONDITION|ACTION|ACTION_BY_OBJECT|EXPRESSION)\\(")
string(FIND "${rows}" "Says(" misplaced)
if(NOT misplaced EQUAL -1)
  string(SUBSTRING "${rows}" 0 ${misplaced} before)
  string(REGEX MATCHALL "${row_start}[A-Za-z]+" names "${before}")
  list(POP_BACK names name)
  string(REGEX REPLACE "^${row_start}" "" name "${name}")
  message(FATAL_ERROR "${ROWS}: ${name}: Says(\"summary\", \"description\"), in string literals "
                      "alone, must be the last column of its row")
endif()
# What is left is facts alone: no text that could hold a list's separator.
string(REGEX MATCHALL "${row_start}[A-Za-z]+[^@]*@?" each "${rows}")
foreach(row IN LISTS each)
  if(NOT row MATCHES "@$" OR row MATCHES ".${row_start}")
    string(REGEX MATCH "^${row_start}([A-Za-z]+)" name "${row}")
    message(FATAL_ERROR "${ROWS}: ${CMAKE_MATCH_2}: the row has no Says(\"summary\", \"description\") "
                        "as its last column")
  endif()
endforeach()

string(REPLACE "@)" ")" rows "${rows}")
string(REPLACE "TIER_ROUTINE_ROWS_WITH_TEXT(" "TIER_ROUTINE_ROWS(" rows "${rows}")
set(content "// Written by the build from plugin/catalogue_rows.h: the rows without their text.
#pragma once

// clang-format off
${rows}
// clang-format on
")

if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" existing)
  if(existing STREQUAL content)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${content}")
