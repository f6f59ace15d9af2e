# Browser build (Emscripten): the plug-in's code over the simulated host with
# the host program's scene reader, report and picture, as one page,
# build/wasm/tier-playground.html (playground/). No emulator, no product
# library, no test programs of the native build.

# The scene reader reports a malformed line by throwing inside itself, and a
# run that runs out of memory ends in a message: exceptions are caught here as
# natively (the plug-in's own code is still built without them).
add_compile_options(-fexceptions)
add_link_options(-fexceptions)

set(TIER_BUILD_PRODUCT OFF CACHE BOOL "" FORCE)
include(cmake/Native.cmake)
set(TIER_TEST_PREFIX wasm)

# The linked-in plug-in alone: the page never loads a library file.
add_library(tier_module STATIC hostlink/plugin_module_native.cpp hostlink/routine_call.cpp
                               hostlink/host_contract.cpp
                               playground/no_emulator.cpp)
target_link_libraries(tier_module PUBLIC tier_plugin tier_simhost)

add_subdirectory(model)
add_subdirectory(bridge)
add_subdirectory(hostprog)
add_subdirectory(playground)
