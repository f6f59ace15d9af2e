# Win32 build: the product Tier.vdx, a stub of the host's runtime library,
# and test programs that reach the routines only through Tier.vdx, run under
# Wine by ctest.

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
# Lean: no exceptions and no unwind tables (nothing unwinds through the
# plug-in), each function in its own section so that the linker drops what
# nothing calls. Reproducible: no build folder reaches the file.
target_compile_options(Tier PRIVATE ${TIER_PLUGIN_COMPILE_OPTIONS} -fno-asynchronous-unwind-tables
  -ffunction-sections -ffile-prefix-map=${CMAKE_SOURCE_DIR}/= -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
set_target_properties(Tier PROPERTIES OUTPUT_NAME Tier PREFIX "" SUFFIX ".vdx" IMPORT_PREFIX ""
                                      IMPORT_SUFFIX ".vdx.a")
add_dependencies(Tier veldrun_imports)
target_link_libraries(Tier PRIVATE ${TIER_VELDRUN_IMPORTS})
# Stripped: the runtime libraries carry debug sections of their own. No thread
# library (-no-pthread): the plug-in starts no thread and takes no lock. No
# time stamp in the PE header or the export directory, so that two builds of
# one source give the same bytes; the linker writes the PE checksum itself.
target_link_options(Tier PRIVATE ${TIER_STATIC_RUNTIME} -no-pthread -Wl,--exclude-libs,ALL -s
                    -Wl,--gc-sections -Wl,--no-insert-timestamp)

# --- Stub of the host's runtime library, for running outside the host -------

add_library(veldrun_stub SHARED simhost/veldrun_stub.cpp
                                simhost/veldrun_stub.def)
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

add_library(tier_simhost STATIC
  simhost/sim_host.cpp
  simhost/address_space.cpp
  simhost/host_side_win32.cpp
  simhost/plugin_module_win32.cpp)
target_include_directories(tier_simhost PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(tier_simhost PUBLIC tier_catalogue)
# Whoever uses the simulated host loads Tier.vdx and the stub at run time.
add_dependencies(tier_simhost Tier veldrun_stub)

add_subdirectory(hostprog)

# --- Tests under Wine -----------------------------------------------------------

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

# The harness and the reference model, built once for the test programs.
add_library(tier_test_support STATIC tests/tier_harness.cpp)
target_link_libraries(tier_test_support PUBLIC tier_simhost)
add_subdirectory(tests/model)

add_subdirectory(tests/wine)
add_subdirectory(tests/fuzz)
include(bench/Win32.cmake)

# --- The release archive --------------------------------------------------------

add_subdirectory(tests/release)
