#!/usr/bin/env bash
# Report-mode benchmark under Wine, over the demo's sample drives: the time
# from process creation until "Vestrel.exe /report FILE" has ended, against
# the same program's start-up to its first idle message loop, started in turn
# in the same run. Prints both medians and their ratio, then the first lines
# of the report. Not a test: figures vary with the machine and its load.
# Usage: tools/bench/report.sh [PRESET] [RUNS]
#   PRESET: mingw (32-bit) or mingw64; the default is mingw where the host
#   runs 32-bit code. RUNS: 20.
set -euo pipefail
cd "$(dirname "$0")/../.."
default=mingw64
tools/host-runs-32bit.sh && default=mingw
preset=${1:-$default}
runs=${2:-20}
build=build/$preset
session=(tools/wine-session.sh)
program=Vestrel.exe
[ "$preset" = mingw64 ] && session+=(--wine64) && program=Vestrel64.exe

[ -f "$build/build.ninja" ] || cmake --preset "$preset" >/dev/null
cmake --build "$build" --target Vestrel bench_report >/dev/null
exe=$(realpath "$build/app/$program")
bench=$(realpath "$build/tools/bench/bench_report.exe")
mkdir -p "$build/bench"
report=$(realpath "$build/bench")/drives.csv

# A prefix of its own, holding the demo's drives.
"${session[@]}" "$build/bench/prefix" bash -c \
  'tools/demo/load.sh && "$WINE" "$@"' bash "$bench" "$runs" "Z:$exe" "Z:$report"
head -4 "$report"
