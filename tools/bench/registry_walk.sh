#!/usr/bin/env bash
# Benchmark, not a test: the device-interface walk over 100, 1,000 and 10,000
# device keys under Wine, against Wine's own `reg query /s` over the same tree.
# Usage: tools/bench/registry_walk.sh [PRESET]
#   PRESET: mingw (32-bit) or mingw64; the default is mingw where the host
#   runs 32-bit code.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tools/bench/preset.sh "${1:-}"
cmake --build "$build" --target registry_walk_bench >/dev/null
bench=$(realpath "$build/tools/bench/registry_walk_bench.exe")

"${session[@]}" "$build/bench-prefix" bash -c '
  bench=$1
  seconds() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null; t1=$(date +%s.%N); awk -v a="$t0" -v b="$t1" "BEGIN { print b - a }"; }
  printf "a Wine start (empty run): %.3f s\n" "$(seconds "$WINE" "$bench" nothing)"
  printf "%8s  %-28s  %-26s  %s\n" keys "walk in process (best of 5)" "walk once, whole process" "reg query /s, whole process"
  for n in 100 1000 10000; do
    "$WINE" "$bench" delete >/dev/null 2>&1 || true
    "$WINE" "$bench" create "$n"
    inside=$("$WINE" "$bench" walk 5)
    walk=$(seconds "$WINE" "$bench" walk)
    query=$(seconds "$WINE" reg query "HKCU\\Software\\VestrelBench\\Class" /s)
    printf "%8s  %-28s  %-26s  %s\n" "$n" "$inside" "$(printf "%.3f s" "$walk")" "$(printf "%.3f s" "$query")"
    "$WINE" "$bench" delete
  done
' bash "$bench"
