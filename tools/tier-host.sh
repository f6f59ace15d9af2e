#!/usr/bin/env bash
# Runs the product's host program, build/win32/tier_host_program.exe, with
# Tier.vdx beside it, under Wine in the project's prefix: any arguments of the
# host program pass through (a scene, --check, --svg, --list, ...), standard
# input too. Wine's own messages are silenced, both output streams end their
# lines in LF as natively, and the program's exit status is passed on.
#   bash tools/tier-host.sh scenes/tour.scene
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
program="$root/build/win32/tier_host_program.exe"
if [ ! -f "$program" ]; then
  echo "tier-host: $program is missing; build it first with: bash tools/build.sh" >&2
  exit 127
fi
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine-tier}"
export WINEARCH=win32
export WINEDEBUG=-all
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "tier-host: no Wine prefix in $WINEPREFIX; run tools/setup.sh first" >&2
  exit 127
fi
# The program writes LF itself; tr only guards against a console that adds CR.
wine "$program" "$@" 2> >(tr -d '\r' >&2) | tr -d '\r'
status=${PIPESTATUS[0]}
wait
exit "$status"
