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
source tools/bench/preset.sh "${1:-}"
runs=${2:-20}

cmake --build "$build" --target Vestrel bench_report >/dev/null
exe=$(realpath "$build/app/$program")
bench=$(realpath "$build/tools/bench/bench_report.exe")
mkdir -p "$build/bench"
report=$(realpath "$build/bench")/drives.csv

# A prefix of its own, holding the demo's drives.
"${session[@]}" "$build/bench/prefix" bash -c \
  'tools/demo/load.sh && "$WINE" "$@"' bash "$bench" "$runs" "Z:$exe" "Z:$report"
head -4 "$report"
