# Native build: the plug-in's code over the simulated host, for unit tests,
# sanitizers, fuzzing and benchmarks.

add_library(tier_host STATIC host/address_space.cpp simhost/host_side_native.cpp)
target_include_directories(tier_host PUBLIC ${CMAKE_SOURCE_DIR})

add_library(tier_plugin STATIC ${TIER_PLUGIN_SOURCES})
target_compile_options(tier_plugin PRIVATE ${TIER_PLUGIN_COMPILE_OPTIONS})
target_link_libraries(tier_plugin PUBLIC tier_host)

add_library(tier_simhost STATIC simhost/sim_host.cpp)
target_link_libraries(tier_simhost PUBLIC tier_host)

# The plug-in as a host finds it: natively, the linked-in code.
add_library(tier_module STATIC simhost/plugin_module_native.cpp)
target_link_libraries(tier_module PUBLIC tier_plugin)

# The emulated host's pieces: the PE32 reader.
add_subdirectory(emulator)

add_subdirectory(hostprog)

add_subdirectory(tests)

if(TIER_BENCHMARKS)
  find_package(benchmark REQUIRED)
  add_subdirectory(bench)
endif()
