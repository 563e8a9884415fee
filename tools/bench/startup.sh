#!/usr/bin/env bash
# Start-up benchmark under Wine: Vestrel.exe against an empty Win32 window
# program built the same way (the floor). Prints the median time from process
# creation to the first idle message loop for each, their ratio, the peak
# working sets and the size of Vestrel.exe. Not a test: figures vary with the
# machine and its load.
# Usage: tools/bench/startup.sh [PRESET] [RUNS]
#   PRESET: mingw (32-bit) or mingw64; the default is mingw where the host
#   runs 32-bit code. RUNS: 20.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tools/bench/preset.sh "${1:-}"
runs=${2:-20}

cmake --build "$build" --target Vestrel bench_launcher bench_empty_window >/dev/null
exe=$(realpath "$build/app/$program")
floor=$(realpath "$build/tools/bench/bench_empty_window.exe")
launcher=$(realpath "$build/tools/bench/bench_launcher.exe")

"${session[@]}" "$build/wineprefix" bash -c '"$WINE" "$@"' bash "$launcher" "$runs" "Z:$exe" "Z:$floor"
echo "$program size: $(stat -c %s "$exe") bytes"
echo "empty window program size: $(stat -c %s "$floor") bytes"
