#!/usr/bin/env bash
# THE build command. Installs what is missing (tools/setup.sh), builds the
# product build/win32/Tier.vdx with its stub host runtime, and runs the host
# program under Wine on its built-in demo scene: it loads Tier.vdx as the host
# does and plays a frame through the routines.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash tools/setup.sh
cmake --preset win32
cmake --build --preset win32

program=build/win32/tier_host_program.exe
if [ ! -f "$program" ]; then
  echo "build: $program was not built" >&2
  exit 1
fi
if ! bash tools/can-run-win32.sh; then
  echo "=== build/win32/Tier.vdx built; this machine cannot run 32-bit programs, so the demo is skipped"
  exit 0
fi
echo "=== build/win32/Tier.vdx built; the host program's built-in demo scene under Wine:"
bash tools/tier-host.sh
