# docs/scene-files.md prints the report of scenes/tour.scene; it must be the
# report the scene gives today (scenes/tour.expected, which the scene tests
# check).
#   cmake -DREADME=... -DEXPECTED=... -P readme_example.cmake
file(READ ${README} readme)
file(READ ${EXPECTED} expected)
set(intro "Its report:\n\n```\n")
string(FIND "${readme}" "${intro}" start)
if(start EQUAL -1)
  message(FATAL_ERROR "${README} no longer shows the report of scenes/tour.scene")
endif()
string(LENGTH "${intro}" length)
math(EXPR start "${start} + ${length}")
string(SUBSTRING "${readme}" ${start} -1 rest)
string(FIND "${rest}" "```" end)
string(SUBSTRING "${rest}" 0 ${end} shown)
if(NOT shown STREQUAL expected)
  message(FATAL_ERROR "The report of scenes/tour.scene in ${README} differs from ${EXPECTED}; "
                      "paste the new report into it.")
endif()
