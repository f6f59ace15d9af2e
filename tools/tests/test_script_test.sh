#!/usr/bin/env bash
# tools/test.sh explains itself: --help and -h print its usage and do nothing
# else (no set-up, no format check, no build), and an unknown preset is named
# as such, before anything runs.
#   test_script_test.sh SOURCE_DIR
set -uo pipefail
script="$1/tools/test.sh"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

for option in --help -h; do
  out=$(bash "$script" $option 2>&1)
  status=$?
  [ $status -eq 0 ] || fail "tools/test.sh $option exits $status"
  [[ "$out" == usage:* ]] || fail "tools/test.sh $option does not start with its usage: $out"
  [[ "$out" == *"tools/test.sh native -R scenes"* ]] || fail "tools/test.sh $option shows no filter"
  [[ "$out" != *"==="* && "$out" != *"setup:"* ]] || fail "tools/test.sh $option ran something: $out"
done

out=$(bash "$script" natve -R scenes 2>&1)
status=$?
[ $status -eq 2 ] || fail "an unknown preset exits $status, not 2"
[[ "$out" == *"there is no preset 'natve'"* ]] || fail "an unknown preset is not named: $out"
[[ "$out" != *"==="* ]] || fail "an unknown preset ran something: $out"

exit $((failures > 0))
