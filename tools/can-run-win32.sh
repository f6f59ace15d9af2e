#!/usr/bin/env bash
# Exits 0 when a 32-bit Windows program really starts under Wine in the
# project's prefix, 1 when it does not, within seconds:
# - a kernel that runs no 32-bit x86 code answers no at once, without Wine;
# - so does a machine without Wine or without the project's prefix (made by
#   tools/setup.sh);
# - otherwise the prefix's 32-bit command interpreter must start and exit.
# "wine --version" alone proves nothing: it starts no 32-bit loader.
#   bash tools/can-run-win32.sh [--why]   (--why says on stderr why not)
here="$(dirname "${BASH_SOURCE[0]}")"
why() { [ "${1:-}" = --why ] && echo "can-run-win32: $2" >&2; exit 1; }
bash "$here/can-run-x86-32.sh" || why "${1:-}" "this machine's kernel runs no 32-bit x86 programs"
command -v wine >/dev/null 2>&1 || why "${1:-}" "Wine is not installed"
. "$here/wine-env.sh"
[ -f "$WINEPREFIX/system.reg" ] || why "${1:-}" "no Wine prefix in $WINEPREFIX (tools/setup.sh makes it)"
timeout 20 wine cmd.exe /c exit 7 >/dev/null 2>&1
[ $? -eq 7 ] || why "${1:-}" "a 32-bit program did not start under Wine in $WINEPREFIX"
