#!/usr/bin/env bash
# The hardening check's stack guard case over a table of programs: each
# argument is EXE=TEXT, where TEXT is what the check must say of EXE; the
# check must pass EXE when TEXT says its guard is seeded, and fail it
# otherwise.
# Usage: guard_check_test.sh CHECK EXE=TEXT...
set -uo pipefail
check=$1
shift
status=0
for case in "$@"; do
  exe=${case%%=*} expected=${case#*=}
  said=$("$check" "$exe" 2>&1)
  passed=$?
  wanted=1
  [[ $expected == *"seeded at run time"* ]] && wanted=0
  if ! grep -qF -- "$expected" <<<"$said" || { [ $wanted = 0 ] && [ $passed != 0 ]; } ||
    { [ $wanted = 1 ] && [ $passed = 0 ]; }; then
    echo "FAILED: $(basename "$exe"): expected \"$expected\"$([ $wanted = 1 ] && echo ' and a failure'), got (exit $passed):"
    echo "$said"
    status=1
  fi
done
[ $status = 0 ] && echo "the check told every program's guard as expected ($# programs)"
exit $status
