#!/usr/bin/env bash
# Benchmark, not a test: the device-interface walk over 100, 1,000 and 10,000
# device keys under Wine, against Wine's own `reg query /s` over the same tree.
# Usage: tools/bench/registry_walk.sh [MINGW_BUILD_DIR]   (default build/mingw)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/mingw}
[ -f "$build/build.ninja" ] || cmake --preset mingw -B "$build" >/dev/null
cmake --build "$build" --target registry_walk_bench >/dev/null
bench=$(realpath "$build/discovery/registry_walk_bench.exe")

tools/wine-session.sh "$build/bench-prefix" bash -c '
  bench=$1
  seconds() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null; t1=$(date +%s.%N); awk -v a="$t0" -v b="$t1" "BEGIN { print b - a }"; }
  printf "a Wine start (empty run): %.3f s\n" "$(seconds wine "$bench" nothing)"
  printf "%8s  %-28s  %-26s  %s\n" keys "walk in process (best of 5)" "walk once, whole process" "reg query /s, whole process"
  for n in 100 1000 10000; do
    wine "$bench" delete >/dev/null 2>&1 || true
    wine "$bench" create "$n"
    inside=$(wine "$bench" walk 5)
    walk=$(seconds wine "$bench" walk)
    query=$(seconds wine reg query "HKCU\\Software\\VestrelBench\\Class" /s)
    printf "%8s  %-28s  %-26s  %s\n" "$n" "$inside" "$(printf "%.3f s" "$walk")" "$(printf "%.3f s" "$query")"
    wine "$bench" delete
  done
' bash "$bench"
