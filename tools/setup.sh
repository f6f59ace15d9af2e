#!/usr/bin/env bash
# Installs what the build and the tests need, when it is missing, and only
# what this machine can use:
# - every machine: cmake, ninja, the mingw-w64 i686 cross compiler, GoogleTest,
#   Google Benchmark, the Unicorn CPU emulator (runs Tier.vdx inside the native
#   build), python3 and clang-format;
# - a machine whose kernel runs 32-bit x86 code: also the i386 architecture,
#   Wine with its 32-bit loader, and the project's Wine prefix, made here once
#   so that parallel test runs do not race on its creation;
# - elsewhere nothing 32-bit at all, and one line that says so.
# A mirror's bad hour is survived: a failed index is fetched once more, and
# the install goes on when the packages can still be had. When an install
# really fails, one line names the package, the failing index and what to do.
set -euo pipefail
here="$(dirname "${BASH_SOURCE[0]}")"

runs_x86_32=no
if bash "$here/can-run-x86-32.sh"; then runs_x86_32=yes; fi

need_apt=()
command -v cmake >/dev/null || need_apt+=(cmake)
command -v ninja >/dev/null || need_apt+=(ninja-build)
command -v i686-w64-mingw32-g++-posix >/dev/null || need_apt+=(g++-mingw-w64-i686-posix)
command -v i686-w64-mingw32-dlltool >/dev/null || need_apt+=(binutils-mingw-w64-i686)
command -v i686-w64-mingw32-windres >/dev/null || need_apt+=(binutils-mingw-w64-i686)
[ -d /usr/src/googletest ] || need_apt+=(googletest)
[ -f /usr/include/benchmark/benchmark.h ] || need_apt+=(libbenchmark-dev)
[ -f /usr/include/tinyxml2.h ] || need_apt+=(libtinyxml2-dev)  # the pictures' XML check
[ -f /usr/include/unicorn/unicorn.h ] || need_apt+=(libunicorn-dev)
command -v python3 >/dev/null || need_apt+=(python3)  # writes and checks the release archive
command -v clang-format >/dev/null || need_apt+=(clang-format)  # tools/check-format.sh
if [ "$runs_x86_32" = yes ]; then
  command -v wine >/dev/null || need_apt+=(wine)
  # The 32-bit loader is what runs Tier.vdx; the 64-bit wine alone cannot.
  dpkg -s wine32:i386 >/dev/null 2>&1 || need_apt+=(wine32:i386)
fi
# The playground page (wasm preset) wants Emscripten, whose optimizer needs
# acorn, and for its tests headless Chromium driven through Selenium, and
# Firefox ESR (driven over WebDriver BiDi, which it speaks itself). They are
# optional: where they cannot be had, the page is not built or its browser
# tests skip, and one line says so.
want_optional=()
command -v em++ >/dev/null || want_optional+=(emscripten)
[ -d /usr/share/nodejs/acorn ] || want_optional+=(node-acorn)
command -v chromium >/dev/null || want_optional+=(chromium)
command -v chromedriver >/dev/null || want_optional+=(chromium-driver)
/usr/bin/python3 -c 'import selenium' 2>/dev/null || want_optional+=(python3-selenium)
command -v firefox-esr >/dev/null || command -v firefox >/dev/null || want_optional+=(firefox-esr)

# apt-get update, fetched once more when an index failed (a mirror mid-sync);
# the indexes that still fail are kept in $failed_indexes for the message.
failed_indexes=""
apt_update() {
  local log
  for attempt in 1 2; do
    log="$(apt-get update -q 2>&1)" || true
    failed_indexes="$(printf '%s\n' "$log" | sed -n 's/^[WE]: Failed to fetch \([^ ]*\).*/\1/p' |
      sort -u | paste -sd ' ')"
    [ -z "$failed_indexes" ] && return 0
    [ "$attempt" = 1 ] && echo "setup: apt-get update could not fetch ${failed_indexes}; trying once more"
  done
  echo "setup: going on without ${failed_indexes}"
}

# Installs the packages, or names the first one that cannot be had and exits.
apt_install() {
  export DEBIAN_FRONTEND=noninteractive
  if apt-get install -y -qq --no-install-recommends "$@" >/dev/null 2>&1; then return 0; fi
  local package
  for package in "$@"; do
    if ! apt-get install -y -qq --no-install-recommends "$package" >/dev/null 2>&1; then
      echo "setup: cannot install $package${failed_indexes:+ (apt-get update could not fetch ${failed_indexes})};" \
           "run 'apt-get update' again later, or choose another mirror in /etc/apt/sources.list" >&2
      exit 1
    fi
  done
}

if [ ${#need_apt[@]} -gt 0 ]; then
  if [ "$(id -u)" != 0 ]; then
    echo "setup: missing packages (${need_apt[*]}) and not root to install them" >&2
    exit 1
  fi
  echo "setup: installing ${need_apt[*]}"
  added_i386=no
  if [ "$runs_x86_32" = yes ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    added_i386=yes
  fi
  # Never leave an architecture added that nothing uses.
  drop_i386() {
    [ "$added_i386" = yes ] || return 0
    dpkg --remove-architecture i386 2>/dev/null && apt-get update -qq >/dev/null 2>&1 || true
  }
  trap drop_i386 EXIT
  apt_update
  apt_install "${need_apt[@]}"
  trap - EXIT
fi

if [ ${#want_optional[@]} -gt 0 ]; then
  if [ "$(id -u)" = 0 ]; then
    echo "setup: installing for the playground page: ${want_optional[*]}"
    [ ${#need_apt[@]} -gt 0 ] || apt_update
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
      "${want_optional[@]}" >/dev/null 2>&1 ||
      echo "setup: could not install ${want_optional[*]}; the playground page or its browser tests are left out"
  else
    echo "setup: not root, so ${want_optional[*]} are not installed; the playground page or its" \
         "browser tests are left out"
  fi
fi

if [ "$runs_x86_32" = no ]; then
  echo "setup: this machine runs no 32-bit x86 programs, so nothing 32-bit is installed and" \
       "nothing runs under Wine; Tier.vdx still builds and runs in the CPU emulator"
  exit 0
fi

# One prefix for every test, made here once.
. "$here/wine-env.sh"
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
if ! bash "$here/can-run-win32.sh" --why; then
  echo "setup: Wine is installed but cannot start a 32-bit program; the Wine tests will not run" >&2
fi
echo "setup: ready"
