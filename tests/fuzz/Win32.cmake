# The differential fuzzer against the product under Wine: the same driver,
# cases and reference model as natively, compiled for Win32 and reaching the
# routines only through Tier.vdx. Include from cmake/Win32.cmake after the
# simulated host's targets:  include(tests/fuzz/Win32.cmake)
set(TIER_FUZZ_DIR ${CMAKE_SOURCE_DIR}/tests/fuzz)
set(TIER_MODEL_DIR ${CMAKE_SOURCE_DIR}/tests/model)

add_executable(tier_differential
  ${TIER_FUZZ_DIR}/differential_main.cpp
  ${TIER_FUZZ_DIR}/driver.cpp
  ${TIER_FUZZ_DIR}/differential.cpp
  ${TIER_FUZZ_DIR}/cases.cpp
  ${TIER_MODEL_DIR}/model.cpp
  ${TIER_MODEL_DIR}/model_sort.cpp
  ${TIER_MODEL_DIR}/layout.cpp
  ${CMAKE_SOURCE_DIR}/tests/tier_harness.cpp)
target_include_directories(tier_differential PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(tier_differential PRIVATE tier_simhost tier_scene_file)
target_link_options(tier_differential PRIVATE ${TIER_STATIC_RUNTIME})
add_dependencies(tier_differential Tier veldrun_stub)

# A short run with the native test's seed; longer ones by hand:
#   tools/wine-run.sh build/win32/tier_differential.exe --seed S --calls N
add_test(NAME wine.fuzz.Differential COMMAND tier_differential --seed 20240611 --calls 3000)
