#!/usr/bin/env bash
# tools/tier-host.sh has written the whole of its standard error by the time
# it exits, also when its program is the first of a Wine session: Wine then
# starts its server and helper processes, which inherit the program's
# standard error and hold it for seconds after the program has ended.
#   bash tier_host_streams.sh SOURCE_DIR
#
# So that no Wine server runs beforehand, whatever else uses the project's
# prefix meanwhile, the wrapper runs in a prefix of its own (a prefix's server
# belongs to its directory): the registry files are copied, since Wine writes
# them back through links, and the rest of the project's prefix is linked.
set -uo pipefail
root="$1"
shared="${WINEPREFIX:-$HOME/.wine-tier}"
work="$(mktemp -d "${TMPDIR:-/tmp}/tier-host-streams.XXXXXX")" || exit 1
prefix="$work/prefix"
stop_server() { WINEPREFIX="$prefix" wineserver -k </dev/null >/dev/null 2>&1 || true; }
trap 'stop_server; rm -rf "$work"' EXIT

mkdir "$prefix"
for entry in "$shared"/* "$shared"/.[!.]*; do
  [ -e "$entry" ] || continue
  case "$(basename "$entry")" in
    *.reg | .update-timestamp) cp -p "$entry" "$prefix/" ;;
    *) ln -s "$entry" "$prefix/" ;;
  esac
done
if [ ! -f "$prefix/system.reg" ]; then
  echo "no Wine prefix in $shared; run tools/setup.sh first"
  exit 1
fi
# A directory made now may reuse the inode, and so the server, of one that an
# earlier run left behind.
stop_server

failures=0
# Runs the wrapper with both streams in files and reads them the moment it
# exits: what comes later is lost to a caller.
#   expect STATUS TEXT_ON_STANDARD_ERROR ARGUMENT...
expect() {
  local status="$1" text="$2"
  shift 2
  WINEPREFIX="$prefix" bash "$root/tools/tier-host.sh" "$@" </dev/null >"$work/out" 2>"$work/err"
  local result=$?
  local err
  err="$(cat "$work/err")"
  if [ "$result" != "$status" ] || [[ "$err" != *"$text"* ]]; then
    echo "tier-host.sh $*: exit status $result (expected $status); standard error when it exited:"
    echo "'$err' (expected to hold '$text')"
    failures=$((failures + 1))
  fi
}

# The first program of the session: the server starts with it.
expect 2 "missing.scene: cannot read the file" "$work/missing.scene"
# With the server up, the same holds.
expect 1 "cannot load the plug-in" --module "$work/none.vdx"

if [ "$failures" -gt 0 ]; then exit 1; fi
echo "tier-host.sh: standard error whole at exit, with the Wine server started by its program"
