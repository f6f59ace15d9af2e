#!/usr/bin/env bash
# THE build command. Installs what is missing (tools/setup.sh), builds the
# product build/win32/Tier.vdx with its stub host runtime, the host program
# in both builds (Win32, and native for the CPU emulator), the playground page
# build/wasm/tier-playground.html where Emscripten is installed, and the
# release archive (with the page beside Tier.vdx when it was built), then runs an example scene through Tier.vdx, under Wine where this
# machine runs 32-bit programs and in the emulator on any machine, and ends
# with what was built and what to do next. The test programs are built by
# tools/test.sh.
#   bash tools/build.sh           the build and its summary
#   bash tools/build.sh --demo    also the report of the built-in demo scene
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

demo=no
case "${1:-}" in
  "") ;;
  --demo) demo=yes ;;
  *)
    echo "usage: bash tools/build.sh [--demo]" >&2
    exit 2
    ;;
esac

bash tools/setup.sh
# The page first, so that the release archive (win32 preset) carries it.
playground=build/wasm/tier-playground.html
if command -v em++ >/dev/null; then
  cmake --preset wasm
  cmake --build --preset wasm
else
  echo "build: Emscripten (em++) is not installed, so the playground page is not built"
  playground=
fi
cmake --preset win32
cmake --build --preset win32 --target Tier tier_host_program release_archive
cmake --preset native
cmake --build --preset native --target tier_host_program

product=build/win32/Tier.vdx
win32_program=build/win32/tier_host_program.exe
native_program=build/native/hostprog/tier_host_program
archive="build/win32/$(basename "$(head -n 1 build/win32/release-archive.txt)")"
for built in "$product" "$win32_program" "$native_program" "$archive" $playground; do
  if [ ! -f "$built" ]; then
    echo "build: $built was not built" >&2
    exit 1
  fi
done
wine_runs=no
if bash tools/can-run-win32.sh; then wine_runs=yes; fi

if [ "$demo" = yes ]; then
  if [ "$wine_runs" = yes ]; then
    echo "=== The built-in demo scene through Tier.vdx under Wine:"
    bash tools/tier-host.sh < /dev/null
  else
    echo "=== The built-in demo scene through Tier.vdx in the CPU emulator:"
    "$native_program" --module "$product" < /dev/null
  fi
fi
echo "=== An example scene through Tier.vdx, against its expected report:"
if [ "$wine_runs" = yes ]; then
  echo "under Wine:"
  bash tools/tier-host.sh --check scenes/tour.scene
fi
echo "in the CPU emulator:"
"$native_program" --module "$product" --check scenes/tour.scene

size=$(wc -c <"$product" | sed -e ':a' -e 's/\([0-9]\)\([0-9]\{3\}\)\($\|,\)/\1,\2\3/' -e 'ta')
digest=$(sha256sum "$product" | cut -d ' ' -f 1)
release="dist/$(basename "$archive")"
line() { printf '  %-40s %s\n' "$1" "$2"; }
echo "=== Built:"
line "$product" "$size bytes, SHA-256 $digest"
line "$win32_program" "the host program, Win32: runs the Tier.vdx beside it"
line "$native_program" "the host program, native: --module runs a Tier.vdx in a CPU emulator"
if [ -n "$playground" ]; then
  line "$playground" "the playground page: double-click it, or open it in a browser"
  line "$archive" "the release archive: Tier.vdx, the page, README.txt, REFERENCE.txt, LICENSE"
else
  line "$archive" "the release archive: Tier.vdx, README.txt, REFERENCE.txt, LICENSE"
fi
echo "=== Next:"
line "run a scene under Wine:" "bash tools/tier-host.sh scenes/tour.scene"
line "run it in the CPU emulator:" "$native_program --module $product scenes/tour.scene"
line "draw it into tour.svg:" "add --svg tour.svg before the scene, in either command"
line "show the built-in demo scene:" "bash tools/build.sh --demo"
line "make the release:" "bash tools/release.sh  ($release and $release.sha256)"
line "run every test:" "bash tools/test.sh"
line "install:" "copy $product alone into the host's extension folder"
if [ "$wine_runs" = no ]; then
  echo "=== This machine cannot run 32-bit programs, so nothing ran under Wine;" \
       "the scene ran through Tier.vdx in the CPU emulator."
fi
