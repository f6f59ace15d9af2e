# The copy of the catalogue's rows without their text (cmake/rows_without_text.cmake):
#   cmake -DSOURCE_DIR=... -DWORK_DIR=... -P tools/tests/rows_without_text_test.cmake
# A changed text leaves the copy untouched and a changed fact rewrites it; a
# row without its Says, or with a column after it, stops the script, which
# names the row.
set(script "${SOURCE_DIR}/cmake/rows_without_text.cmake")
set(dir "${WORK_DIR}/rows without text, é")
file(REMOVE_RECURSE "${dir}")
file(MAKE_DIRECTORY "${dir}")
set(copy "${dir}/copy.h")

# Strips ROWS into the copy: `status` and `error` are the script's, `written`
# the copy, `stamp` its time of change.
function(strip rows)
  file(WRITE "${dir}/rows.h" "${rows}")
  execute_process(COMMAND ${CMAKE_COMMAND} "-DROWS=${dir}/rows.h" "-DOUTPUT=${copy}" -P "${script}"
                  RESULT_VARIABLE status ERROR_VARIABLE error)
  string(REGEX REPLACE "[ \n]+" " " error "${error}")  # as CMake wraps it
  file(READ "${copy}" written)
  file(TIMESTAMP "${copy}" stamp "%s%f")
  foreach(name status error written stamp)
    set(${name} "${${name}}" PARENT_SCOPE)
  endforeach()
endfunction()

# Stops with MESSAGE unless TEXT holds PART.
function(expect_in text part message)
  string(FIND "${text}" "${part}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${message}")
  endif()
endfunction()

# The catalogue's own rows.
file(READ "${SOURCE_DIR}/plugin/catalogue_rows.h" rows)
strip("${rows}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the catalogue's rows: ${error}")
endif()
expect_in("${written}" "#define TIER_ROUTINE_ROWS(CONDITION," "no TIER_ROUTINE_ROWS in the copy")
string(FIND "${written}" "Says(" said)
if(NOT said EQUAL -1)
  message(FATAL_ERROR "a text is left in the copy")
endif()
set(first_stamp "${stamp}")

string(REPLACE "True when the back-most node" "True when the rearmost node" retold "${rows}")
if(retold STREQUAL rows)
  message(FATAL_ERROR "the text this test changes is no longer in the rows")
endif()
strip("${retold}")
if(NOT status EQUAL 0 OR NOT stamp STREQUAL first_stamp)
  message(FATAL_ERROR "a changed text rewrote the copy")
endif()

string(REPLACE "\"%0 At Back?\"" "\"%0 At Rear?\"" refacted "${rows}")
strip("${refacted}")
expect_in("${written}" "\"%0 At Rear?\"" "a changed fact left the copy as it was")

# Texts with what a scan could stumble on: parentheses, commas, escaped
# quotes, semicolons, line continuations.
set(head "#define TIER_ROUTINE_ROWS_WITH_TEXT(CONDITION, ACTION, ACTION_BY_OBJECT, EXPRESSION) \\\n")
set(first "  CONDITION(First, 6000, \"%0?\", {N(kTitleFixedValue)}, kNoSlots")
set(first_text ", \\\n    Says(\"One (line), \\\"quoted\\\".\", \\\n         \"In full; with ) inside.\")")
set(second "  EXPRESSION(Second, \"x(\", kNoArgument, kNoSlots")
strip("${head}${first}${first_text}) \\\n${second}, Says(\"S\", \"D\"))\n")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "rows with awkward texts: ${error}")
endif()
string(REPLACE "_WITH_TEXT" "" copied_head "${head}")
expect_in("${written}" "${copied_head}${first}) \\\n${second})\n" "awkward texts, copied as:\n${written}")

strip("${head}${first}${first_text}) \\\n${second})\n")
expect_in("${error}" "Second: the row has no Says" "a row without its text: ${status} ${error}")
strip("${head}${first}) \\\n${second}, Says(\"S\", \"D\"))\n")
expect_in("${error}" "First: the row has no Says" "a row without its text: ${status} ${error}")

strip("${head}${first}${first_text}, Focus(1)) \\\n${second}, Says(\"S\", \"D\"))\n")
expect_in("${error}" "First: Says" "a text before another column: ${status} ${error}")

file(REMOVE_RECURSE "${dir}")
