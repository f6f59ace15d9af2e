#!/usr/bin/env bash
# Runs the product's host program, build/win32/tier_host_program.exe, with
# Tier.vdx beside it, under Wine in the project's prefix: any arguments of the
# host program pass through (a scene, --check, --svg, --list, ...), standard
# input too. Wine's own messages are silenced, both output streams end their
# lines in LF as natively, and the program's exit status is passed on.
#   bash tools/tier-host.sh scenes/tour.scene
#
# Both streams are whole when this script exits. The Wine server, and the
# helper processes that the first program of a session starts, inherit the
# program's standard error and keep it open for seconds after the program
# ends, so standard error goes to a file, which is copied out once the program
# has ended: it appears after the report rather than beside it. (Those
# processes close their standard output, which therefore streams through.)
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
program="$root/build/win32/tier_host_program.exe"
if [ ! -f "$program" ]; then
  echo "tier-host: $program is missing; build it first with: bash tools/build.sh" >&2
  exit 127
fi
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "tier-host: no Wine prefix in $WINEPREFIX; run tools/setup.sh first" >&2
  exit 127
fi
errors="$(mktemp "${TMPDIR:-/tmp}/tier-host.XXXXXX")" || exit 127
trap 'rm -f "$errors"' EXIT
# The program writes LF itself; tr only guards against a console that adds CR.
wine "$program" "$@" 2>"$errors" | tr -d '\r'
status=${PIPESTATUS[0]}
tr -d '\r' <"$errors" >&2
exit "$status"
