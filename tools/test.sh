#!/usr/bin/env bash
# THE test command; run with --help for its usage. Installs what is missing
# (tools/setup.sh), checks that the C++ files are formatted
# (tools/check-format.sh), then configures, builds and tests the presets wasm,
# native, native-sanitize and win32. The wasm preset (the playground page,
# tested under node and in headless Chromium) runs where Emscripten is
# installed and is skipped with one line elsewhere; it comes first so that the
# win32 preset's release archive carries the page. The native preset also runs
# the product build/win32/Tier.vdx in a CPU emulator (the tests labelled
# emulated), on any machine; the win32 preset runs it under Wine where this
# machine can run 32-bit programs. Every preset runs even when an earlier one
# fails; the exit status is non-zero when anything failed. The last lines say
# what ran: natively, in the emulator, under Wine.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

all_presets=(wasm native native-sanitize win32)

usage() {
  cat <<'USAGE'
usage: tools/test.sh [PRESET...] [CTEST OPTION...]

Configures, builds and tests each PRESET with CMake and CTest; with no
PRESET, all of them in this order:
  wasm             the playground page (Emscripten): its engine under node,
                   the page in headless Chromium (skipped without Emscripten)
  native           the linked-in plug-in over the simulated host, and
                   build/win32/Tier.vdx in the CPU emulator (label emulated)
  native-sanitize  the native tests under AddressSanitizer and UBSan
  win32            build/win32/Tier.vdx and the release archive; its tests run
                   under Wine, or only those that read the file (label static)
                   where this machine runs no 32-bit programs

Options after the presets go to ctest and choose the tests, for example
  tools/test.sh native -R scenes          the tests whose names hold "scenes"
  tools/test.sh native -L emulated        the tests labelled emulated
  tools/test.sh native -R 'native\.unit\.Sort'
ctest --test-dir build/native -N lists the test names. With such options the
format check is left out; with none, tools/check-format.sh runs first.

It installs what is missing first (tools/setup.sh). Exit status: 0 when
everything passed, 1 when something failed, 2 for a bad command line.
  -h, --help       print this and do nothing else
USAGE
}

presets=()
ctest_options=()
for argument in "$@"; do
  if [ ${#ctest_options[@]} -eq 0 ] && [[ "$argument" != -* ]]; then
    known=no
    for preset in "${all_presets[@]}"; do [ "$argument" = "$preset" ] && known=yes; done
    if [ $known = no ]; then
      echo "tools/test.sh: there is no preset '$argument'; the presets are: ${all_presets[*]}" >&2
      echo "(tools/test.sh --help says more)" >&2
      exit 2
    fi
    presets+=("$argument")
  else
    case "$argument" in
      -h | --help)
        usage
        exit 0
        ;;
    esac
    ctest_options+=("$argument")
  fi
done
[ ${#presets[@]} -eq 0 ] && presets=("${all_presets[@]}")

bash tools/setup.sh

. tools/wine-env.sh

failed=()
skipped=()
ran=()

if [ ${#ctest_options[@]} -eq 0 ]; then
  echo "=== format"
  bash tools/check-format.sh || failed+=("format")
fi
for preset in "${presets[@]}"; do
  if [ "$preset" = wasm ] && ! command -v em++ >/dev/null; then
    echo "=== wasm: Emscripten (em++) is not installed, so the playground page and its tests are skipped"
    skipped+=("wasm (no Emscripten)")
    continue
  fi
  echo "=== $preset: configure"
  if ! cmake --preset "$preset"; then failed+=("$preset (configure)"); continue; fi
  echo "=== $preset: build"
  if ! cmake --build --preset "$preset"; then failed+=("$preset (build)"); continue; fi
  ctest_filter=()
  if [ "$preset" = win32 ]; then
    if bash tools/can-run-win32.sh; then
      # Keep one Wine server up between the test programs instead of starting
      # one per test; it leaves by itself a minute after the last one. (When
      # one is running already, that one serves and this call does nothing.)
      wineserver -p60 2>/dev/null || true
    else
      echo "=== win32: this machine cannot run 32-bit x86 programs, so nothing runs under Wine;"
      echo "=== win32: only the checks that read Tier.vdx without running it (label 'static')"
      skipped+=("win32 tests under Wine")
      ctest_filter=(-L static)
    fi
  fi
  echo "=== $preset: test"
  if ! ctest --preset "$preset" -j2 "${ctest_filter[@]}" "${ctest_options[@]}"; then failed+=("$preset (tests)"); fi
  # What this preset ran, by where the plug-in ran.
  count() { ctest --preset "$preset" -N "$@" "${ctest_filter[@]}" "${ctest_options[@]}" | sed -n 's/^Total Tests: //p'; }
  total=$(count)
  case "$preset" in
    win32)
      if [ ${#ctest_filter[@]} -eq 0 ]; then
        ran+=("Wine: $total tests of the win32 preset against build/win32/Tier.vdx")
      else
        ran+=("win32: $total checks that read build/win32/Tier.vdx without running it")
      fi ;;
    wasm)
      browser=$(count -L browser)
      ran+=("wasm: $((total - browser)) tests of the playground's engine under node, $browser of its page in headless Chromium") ;;
    *)
      emulated=$(count -L emulated)
      ran+=("$preset: $((total - emulated)) tests of the linked-in plug-in")
      [ "$emulated" -gt 0 ] &&
        ran+=("emulated ($preset): $emulated tests against build/win32/Tier.vdx in the CPU emulator")
      ;;
  esac
done

echo "=== what ran:"
for line in "${ran[@]}"; do echo "===   $line"; done

if [ ${#failed[@]} -gt 0 ]; then
  echo "=== FAILED: ${failed[*]}" >&2
  exit 1
fi
echo "=== all presets passed: ${presets[*]}"
if [ ${#skipped[@]} -gt 0 ]; then
  echo "=== NOT RUN on this machine: ${skipped[*]}"
fi
