# Native build: the plug-in's code over the simulated host, for unit tests,
# sanitizers, fuzzing and benchmarks.

# What the plug-in's code needs natively beside itself: its host pointers
# resolved in the simulated host's memory, and the host's services.
add_library(tier_host STATIC host/native_memory.cpp simhost/host_side_native.cpp)
target_include_directories(tier_host PUBLIC ${CMAKE_SOURCE_DIR})

add_library(tier_plugin STATIC ${TIER_PLUGIN_SOURCES})
target_compile_options(tier_plugin PRIVATE ${TIER_PLUGIN_COMPILE_OPTIONS})
target_link_libraries(tier_plugin PUBLIC tier_host)

add_library(tier_simhost STATIC simhost/sim_host.cpp simhost/address_space.cpp)
target_link_libraries(tier_simhost PUBLIC tier_host)

# The product Tier.vdx run in a CPU emulator, its memory shared with the
# simulated host: tier_pe and tier_emulator.
add_subdirectory(emulator)

# The plug-in as a host finds it: natively, the linked-in code, or a library
# file in the emulator.
add_library(tier_module STATIC simhost/plugin_module_native.cpp simhost/emulated_module.cpp)
target_link_libraries(tier_module PUBLIC tier_plugin tier_emulator)

# The product library that the emulated tests run: build/win32/Tier.vdx,
# brought up to date through the win32 preset whenever this build runs, so
# that no emulated test runs a stale library.
set(TIER_EMULATED_MODULE ${CMAKE_SOURCE_DIR}/build/win32/Tier.vdx CACHE FILEPATH
    "The Tier.vdx that the emulated tests run")
option(TIER_BUILD_PRODUCT "Build build/win32/Tier.vdx (win32 preset) with the native build" ON)
if(TIER_BUILD_PRODUCT)
  add_custom_target(product_library ALL
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -P ${CMAKE_SOURCE_DIR}/cmake/BuildProduct.cmake
    COMMENT "Bringing build/win32/Tier.vdx up to date (win32 preset)" USES_TERMINAL)
endif()
# The emulated tests: the same sources and scenes as natively, run against
# the product library in the emulator.
function(tier_emulated_tests)
  set_tests_properties(${ARGN} PROPERTIES ENVIRONMENT "TIER_MODULE=${TIER_EMULATED_MODULE}"
                                          LABELS emulated)
endfunction()

add_subdirectory(hostprog)

add_subdirectory(tests)

# Instructions per call of every routine of Tier.vdx in the emulator; a
# measure that tests may assert on, so it is built in every native preset.
add_executable(instruction_counts bench/instruction_counts.cpp)
target_link_libraries(instruction_counts PRIVATE tier_test_support tier_model)
target_compile_definitions(instruction_counts PRIVATE TIER_DEFAULT_MODULE="${TIER_EMULATED_MODULE}")

if(TIER_BENCHMARKS)
  find_package(benchmark REQUIRED)
  add_subdirectory(bench)
endif()
