#!/usr/bin/env bash
# Installs what the build and the tests need, when it is missing, and prepares
# the Wine prefix once so that parallel test runs do not race on its creation.
set -euo pipefail

need_apt=()
command -v cmake >/dev/null || need_apt+=(cmake)
command -v ninja >/dev/null || need_apt+=(ninja-build)
command -v i686-w64-mingw32-g++-posix >/dev/null || need_apt+=(g++-mingw-w64-i686-posix)
command -v i686-w64-mingw32-dlltool >/dev/null || need_apt+=(binutils-mingw-w64-i686)
command -v i686-w64-mingw32-windres >/dev/null || need_apt+=(binutils-mingw-w64-i686)
[ -d /usr/src/googletest ] || need_apt+=(googletest)
[ -f /usr/include/benchmark/benchmark.h ] || need_apt+=(libbenchmark-dev)
[ -f /usr/include/tinyxml2.h ] || need_apt+=(libtinyxml2-dev)  # the pictures' XML check
# The CPU emulator that runs Tier.vdx inside the native build, on any machine.
[ -f /usr/include/unicorn/unicorn.h ] || need_apt+=(libunicorn-dev)
command -v python3 >/dev/null || need_apt+=(python3)  # writes and checks the release archive
command -v clang-format >/dev/null || need_apt+=(clang-format)  # tools/check-format.sh
command -v wine >/dev/null || need_apt+=(wine)
# The 32-bit loader is what runs Tier.vdx; the 64-bit wine alone cannot.
if ! dpkg -s wine32:i386 >/dev/null 2>&1; then
  need_apt+=(wine32:i386)
fi

if [ ${#need_apt[@]} -gt 0 ]; then
  if [ "$(id -u)" != 0 ]; then
    echo "setup: missing packages (${need_apt[*]}) and not root to install them" >&2
    exit 1
  fi
  echo "setup: installing ${need_apt[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need_apt[@]}" >/dev/null
fi

# Wine's loader for 32-bit programs is itself a 32-bit x86 program. Some
# machines run only 64-bit user code (their kernel has IA-32 emulation off);
# there no Wine can start Tier.vdx, and the tests that need it are left out
# (tools/test.sh says so).
if ! bash "$(dirname "${BASH_SOURCE[0]}")/can-run-win32.sh"; then
  echo "setup: this machine cannot run 32-bit x86 programs, so Wine cannot run here;" \
       "the Win32 build still builds, and only its checks that read files run"
  exit 0
fi

# One prefix for every test, made here once.
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "setup: preparing the Wine prefix in $WINEPREFIX"
  # No offers to install Wine's .NET and HTML engines: nothing here needs them.
  WINEDLLOVERRIDES="mscoree,mshtml=" wineboot --init >/dev/null 2>&1 || true
  wineserver -w || true
fi
[ -f "$WINEPREFIX/system.reg" ] || { echo "setup: the Wine prefix could not be made" >&2; exit 1; }
if ! grep -q '^#arch=win32' "$WINEPREFIX/system.reg"; then
  echo "setup: $WINEPREFIX is not a 32-bit (win32) Wine prefix; remove it to have it made anew" >&2
  exit 1
fi
echo "setup: ready"
