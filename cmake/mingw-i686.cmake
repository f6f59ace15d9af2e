# Cross toolchain for the product: 32-bit Windows with mingw-w64 (posix
# threads), resources compiled with windres, and every program the build or
# ctest runs started under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TIER_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TIER_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TIER_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TIER_MINGW_PREFIX}-windres)
set(CMAKE_DLLTOOL ${TIER_MINGW_PREFIX}-dlltool)
set(CMAKE_OBJDUMP ${TIER_MINGW_PREFIX}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${TIER_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The wrapper sets the Wine prefix and quiets Wine's own messages. Started
# through bash, so that it runs whatever file mode a checkout gives it.
get_filename_component(TIER_WINE_RUN ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR bash ${TIER_WINE_RUN})
