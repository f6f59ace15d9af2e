# The routine timings through Tier.vdx, built for running under Wine by hand
# (the ctest run does not time anything):
#   tools/wine-run.sh build/win32/routines_timing.exe [OBJECTS ...]
# Include from cmake/Win32.cmake after the simulated host's targets.
add_executable(routines_timing
  ${CMAKE_SOURCE_DIR}/bench/wine/routines_timing.cpp
  ${CMAKE_SOURCE_DIR}/tests/model/model.cpp
  ${CMAKE_SOURCE_DIR}/tests/model/model_sort.cpp
  ${CMAKE_SOURCE_DIR}/tests/model/layout.cpp
  ${CMAKE_SOURCE_DIR}/tests/tier_harness.cpp)
target_include_directories(routines_timing PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(routines_timing PRIVATE tier_simhost)
target_link_options(routines_timing PRIVATE ${TIER_STATIC_RUNTIME})
add_dependencies(routines_timing Tier veldrun_stub)
