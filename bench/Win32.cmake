# The routine timings through Tier.vdx, built for running under Wine by hand
# (the ctest run does not time anything):
#   tools/wine-run.sh build/win32/routines_timing.exe [OBJECTS ...]
# Include from cmake/Win32.cmake after the simulated host's targets.
add_executable(routines_timing ${CMAKE_SOURCE_DIR}/bench/wine/routines_timing.cpp)
target_link_libraries(routines_timing PRIVATE tier_model tier_test_support)
target_link_options(routines_timing PRIVATE ${TIER_STATIC_RUNTIME})
add_dependencies(routines_timing Tier veldrun_stub)
