#!/usr/bin/env bash
# Runs a Win32 program under Wine in the project's prefix and passes its exit
# status through. The program's text-mode standard output has CR LF line ends;
# the CRs are dropped so that it reads, and parses (test discovery), as on the
# native side.
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "wine-run: no Wine prefix in $WINEPREFIX; run tools/setup.sh first" >&2
  exit 127
fi
wine "$@" | tr -d '\r'
