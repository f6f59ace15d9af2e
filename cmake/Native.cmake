# Native build: the plug-in's code over the simulated host, for unit tests,
# sanitizers, fuzzing and benchmarks; and the product Tier.vdx in a CPU
# emulator, so that the tests run the real library on every machine.

# --- How programs and tests are made --------------------------------------------

set(TIER_TEST_PREFIX native)

function(tier_program target)
endfunction()

# A GoogleTest program's tests, "native.NAME.*".
function(tier_discover_tests target name)
  gtest_discover_tests(${target} TEST_PREFIX "native.${name}." DISCOVERY_TIMEOUT 60)
endfunction()

# The same tests against the product library in the emulator,
# "emulated.NAME.*", labelled emulated.
function(tier_discover_emulated_tests target name)
  gtest_discover_tests(${target} TEST_PREFIX "emulated.${name}." DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "TIER_MODULE=${TIER_EMULATED_MODULE}"
                                  LABELS emulated)
endfunction()

# Other tests against the product library in the emulator.
function(tier_emulated_tests)
  set_tests_properties(${ARGN} PROPERTIES ENVIRONMENT "TIER_MODULE=${TIER_EMULATED_MODULE}"
                                          LABELS emulated)
endfunction()

# --- The plug-in's code and the emulator ----------------------------------------

# What the plug-in's code needs natively beside itself: its host pointers
# resolved in the simulated host's memory, and the host's services.
add_library(tier_host STATIC host/native_memory.cpp simhost/host_side_native.cpp
                      simhost/host_session.cpp)
target_include_directories(tier_host PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(tier_host PUBLIC tier_rows)

# The sort procedure over full records (order/sort_records.cpp) comes with it
# for the tests and the sort benchmark; Tier.vdx has no use for it.
add_library(tier_plugin STATIC ${TIER_PLUGIN_SOURCES} ${CMAKE_SOURCE_DIR}/order/sort_records.cpp)
target_compile_options(tier_plugin PRIVATE ${TIER_PLUGIN_COMPILE_OPTIONS})
target_link_libraries(tier_plugin PUBLIC tier_host)
# Natively the catalogue comes with the plug-in's code.
add_library(tier_catalogue ALIAS tier_plugin)

add_library(tier_simhost STATIC simhost/sim_host.cpp simhost/address_space.cpp
                                simhost/field_check.cpp simhost/record_watch.cpp)
target_link_libraries(tier_simhost PUBLIC tier_host)

# The browser build (cmake/Wasm.cmake) has no emulator and makes its own
# tier_module of the linked-in code alone.
if(NOT EMSCRIPTEN)
  # The product Tier.vdx run in a CPU emulator, its memory shared with the
  # simulated host: tier_pe and tier_emulator.
  add_subdirectory(emulator)

  # The plug-in as a host program finds it: the linked-in code, or a library
  # file in the emulator.
  add_library(tier_module STATIC hostlink/plugin_module_native.cpp hostlink/emulated_module.cpp
                                 hostlink/host_embedding.cpp hostlink/routine_call.cpp
                                 hostlink/host_contract.cpp)
  target_link_libraries(tier_module PUBLIC tier_plugin tier_simhost tier_emulator)
endif()

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
