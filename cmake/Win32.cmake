# Win32 build: the product Tier.vdx, a stand-in for the host's runtime library,
# and programs that reach the routines only through Tier.vdx, run under Wine
# by ctest (tools/wine-run.sh, the toolchain's emulator).

# -O2: GCC 12 at -O3 warns falsely (-Wrestrict) inside libstdc++'s string code.
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG")

# Programs and libraries side by side, as the host would find them.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# Everything self-contained: no runtime DLLs of the compiler beside the product.
set(TIER_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

# --- The product --------------------------------------------------------------

enable_language(RC)

# RefreshNode, imported by ordinal 108 from the host's runtime library.
set(TIER_VELDRUN_IMPORTS ${CMAKE_BINARY_DIR}/libveldrun_imports.a)
add_custom_command(
  OUTPUT ${TIER_VELDRUN_IMPORTS}
  COMMAND ${CMAKE_DLLTOOL} -d ${CMAKE_SOURCE_DIR}/plugin/veldrun.def -l ${TIER_VELDRUN_IMPORTS}
  DEPENDS ${CMAKE_SOURCE_DIR}/plugin/veldrun.def
  COMMENT "Import library for VELDRUN.dll")
add_custom_target(veldrun_imports DEPENDS ${TIER_VELDRUN_IMPORTS})

add_library(Tier SHARED
  ${TIER_PLUGIN_SOURCES}
  host/services_win32.cpp
  host/memory_win32.cpp
  host/module_entry_win32.cpp
  plugin/exports.def
  plugin/Tier.rc)
target_include_directories(Tier PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(Tier PRIVATE tier_rows)
# Lean: no exceptions and no unwind tables (nothing unwinds through the
# plug-in), each function in its own section so that the linker drops what
# nothing calls. Reproducible: no build folder reaches the file. No padding
# before jump targets and loops: inside the sweeps and walks it runs as
# instructions of its own on every slot or node.
target_compile_options(Tier PRIVATE ${TIER_PLUGIN_COMPILE_OPTIONS} -fno-asynchronous-unwind-tables
  -fno-align-jumps -fno-align-loops -ffunction-sections -ffile-prefix-map=${CMAKE_SOURCE_DIR}/= -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
set_target_properties(Tier PROPERTIES OUTPUT_NAME Tier PREFIX "" SUFFIX ".vdx" IMPORT_PREFIX ""
                                      IMPORT_SUFFIX ".vdx.a")
add_dependencies(Tier veldrun_imports)
target_link_libraries(Tier PRIVATE ${TIER_VELDRUN_IMPORTS})
# Stripped: the runtime libraries carry debug sections of their own. No thread
# library (-no-pthread): the plug-in starts no thread and takes no lock. No
# time stamp in the PE header or the export directory, so that two builds of
# one source give the same bytes; the linker writes the PE checksum itself.
# Beside it, Tier.map names where every function lies (each has a section of
# its own), for the instruction profile (instruction_counts --profile); the
# map changes no byte of the library.
target_link_options(Tier PRIVATE ${TIER_STATIC_RUNTIME} -no-pthread -Wl,--exclude-libs,ALL -s
                    -Wl,--gc-sections -Wl,--no-insert-timestamp -Wl,-Map=Tier.map)

# --- Stand-in for the host's runtime library, for running outside the host ---

add_library(veldrun_stub SHARED simhost/veldrun_stub.cpp simhost/veldrun_stub.def)
target_include_directories(veldrun_stub PRIVATE ${CMAKE_SOURCE_DIR})
set_target_properties(veldrun_stub PROPERTIES OUTPUT_NAME VELDRUN PREFIX "" SUFFIX ".dll"
                                              IMPORT_PREFIX "" IMPORT_SUFFIX ".dll.a")
target_link_options(veldrun_stub PRIVATE ${TIER_STATIC_RUNTIME})
# Loading Tier.vdx needs the stub beside it.
add_dependencies(Tier veldrun_stub)

# --- The host side: simulated records over real pointers ---------------------

# The catalogue is plain data, so a host program may read it without the routines.
add_library(tier_catalogue STATIC plugin/catalogue.cpp)
target_include_directories(tier_catalogue PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(tier_catalogue PUBLIC tier_rows)

add_library(tier_simhost STATIC simhost/sim_host.cpp simhost/address_space.cpp simhost/field_check.cpp
                                simhost/record_watch.cpp
                                simhost/host_side_win32.cpp simhost/host_session.cpp)
target_include_directories(tier_simhost PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(tier_simhost PUBLIC tier_catalogue)

# The plug-in as a host program finds it: Tier.vdx, loaded by the system.
add_library(tier_module STATIC hostlink/plugin_module_win32.cpp hostlink/routine_call.cpp
                               hostlink/host_contract.cpp)
target_link_libraries(tier_module PUBLIC tier_simhost)
# Whoever loads the plug-in loads Tier.vdx and the stub at run time.
add_dependencies(tier_module Tier veldrun_stub)

# --- How programs and tests are made --------------------------------------------

# Where Wine cannot start 32-bit programs (a kernel that runs only 64-bit user
# code), the test programs are still built, but ctest cannot even list the
# GoogleTest ones; tools/test.sh then runs only the tests labelled static.
execute_process(COMMAND bash ${CMAKE_SOURCE_DIR}/tools/can-run-win32.sh RESULT_VARIABLE wine_status)
if(wine_status EQUAL 0)
  set(TIER_WINE_RUNS TRUE)
else()
  set(TIER_WINE_RUNS FALSE)
  message(STATUS "Wine cannot run 32-bit programs here: only the static checks are tests")
endif()

set(TIER_TEST_PREFIX wine)

# A program of the build: self-contained, beside Tier.vdx.
function(tier_program target)
  target_link_options(${target} PRIVATE ${TIER_STATIC_RUNTIME})
endfunction()

# A GoogleTest program's tests, "wine.NAME.*", listed when ctest starts (so
# that building never runs Wine) and only where Wine runs.
function(tier_discover_tests target name)
  tier_program(${target})
  if(TIER_WINE_RUNS)
    gtest_discover_tests(${target} TEST_PREFIX "wine.${name}." DISCOVERY_MODE PRE_TEST
                         DISCOVERY_TIMEOUT 120)
  endif()
endfunction()
