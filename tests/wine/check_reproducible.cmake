# Builds the product a second time, from a copy of the sources in another
# folder into another build folder, and compares it byte for byte with
# LIBRARY: no time stamp, build path or other trace of one build may reach
# the file.
# Usage: cmake -DSOURCE_DIR=... -DWORK_DIR=... -DGENERATOR=Ninja
#              -DLIBRARY=Tier.vdx -P check_reproducible.cmake
cmake_minimum_required(VERSION 3.25)

set(source ${WORK_DIR}/elsewhere/source)
set(build ${WORK_DIR}/elsewhere/build)
file(REMOVE_RECURSE ${WORK_DIR}/elsewhere)
file(MAKE_DIRECTORY ${source})

# Everything of the source tree but its build, release and version-control folders.
file(GLOB entries LIST_DIRECTORIES true RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/* ${SOURCE_DIR}/.*)
list(REMOVE_ITEM entries build dist .git . ..)
foreach(entry IN LISTS entries)
  file(COPY ${SOURCE_DIR}/${entry} DESTINATION ${source})
endforeach()

execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${source} -B ${build} -G ${GENERATOR}
          -DCMAKE_TOOLCHAIN_FILE=${source}/cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
  OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "configuring the second build failed:\n${output}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${build} --target Tier --parallel 2
                OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the second build failed:\n${output}")
endif()

get_filename_component(name ${LIBRARY} NAME)
set(second ${build}/${name})
file(SHA256 ${LIBRARY} first_hash)
file(SHA256 ${second} second_hash)
if(NOT first_hash STREQUAL second_hash)
  execute_process(COMMAND cmp -l ${LIBRARY} ${second} OUTPUT_VARIABLE differences)
  string(SUBSTRING "${differences}" 0 600 differences)
  message(FATAL_ERROR "a second build differs:\n  ${LIBRARY}\n    ${first_hash}\n"
                      "  ${second}\n    ${second_hash}\nfirst differing bytes (offset, octal):\n"
                      "${differences}")
endif()
file(REMOVE_RECURSE ${WORK_DIR}/elsewhere)
message(STATUS "${name}: a second build from ${source} gives the same bytes, SHA-256 ${first_hash}")
