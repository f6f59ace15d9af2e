# Checks that the product imports exactly the functions listed in IMPORTS
# (lines "DLL function", or "DLL ordinal N" for an import by ordinal; "#"
# starts a comment), as objdump -p reads its import table. Names each import
# that is not listed, and each listed one that is no longer imported.
# Usage: cmake -DOBJDUMP=... -DLIBRARY=Tier.vdx -DIMPORTS=imports.txt -P check_imports.cmake
cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/objdump_lines.cmake)

set(imported "")
set(current "")
foreach(line IN LISTS lines)
  if(line MATCHES "^\tDLL Name: (.+)$")
    set(current "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^[ \t]*$" OR line MATCHES "^ [0-9a-f]+\t")
    set(current "")
  elseif(NOT current STREQUAL "" AND line MATCHES "^\t[0-9a-f]+\t +([0-9]+)  (.+)$")
    # By ordinal the name column reads "<none>"; by name, the hint comes first.
    if(CMAKE_MATCH_2 STREQUAL "<none>")
      list(APPEND imported "${current} ordinal ${CMAKE_MATCH_1}")
    else()
      string(REGEX REPLACE " .*" "" name "${CMAKE_MATCH_2}")
      list(APPEND imported "${current} ${name}")
    endif()
  endif()
endforeach()

file(STRINGS ${IMPORTS} listed REGEX "^[^#]")
list(TRANSFORM listed STRIP)
list(FILTER listed EXCLUDE REGEX "^$")

set(failures "")
foreach(entry IN LISTS imported)
  if(NOT entry IN_LIST listed)
    string(APPEND failures "  imports ${entry}, which ${IMPORTS} does not list\n")
  endif()
endforeach()
foreach(entry IN LISTS listed)
  if(NOT entry IN_LIST imported)
    string(APPEND failures "  no longer imports ${entry}: take it off the list\n")
  endif()
endforeach()
list(LENGTH imported count)
if(count EQUAL 0)
  string(APPEND failures "  no imports read: objdump's import table was not understood\n")
endif()

if(failures)
  message(FATAL_ERROR "${LIBRARY}:\n${failures}")
endif()
message(STATUS "${LIBRARY}: ${count} imports, each on the list")
