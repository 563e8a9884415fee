#!/usr/bin/env bash
# Start-up benchmark under Wine: Vestrel.exe against an empty Win32 window
# program built the same way (the floor). Prints the median time from process
# creation to the first idle message loop for each, their ratio, the peak
# working sets and the size of Vestrel.exe. Not a test: figures vary with the
# machine and its load.
# Usage: tools/bench/startup.sh [BUILD_DIR] [RUNS]   (defaults: build/mingw, 20)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/mingw}
runs=${2:-20}

[ -f "$build/build.ninja" ] || cmake --preset mingw -B "$build" >/dev/null
cmake --build "$build" --target Vestrel bench_launcher bench_empty_window >/dev/null
exe=$(realpath "$build/app/Vestrel.exe")
floor=$(realpath "$build/tools/bench/bench_empty_window.exe")
launcher=$(realpath "$build/tools/bench/bench_launcher.exe")

tools/wine-session.sh "$build/wineprefix" wine "$launcher" "$runs" "Z:$exe" "Z:$floor"
echo "Vestrel.exe size: $(stat -c %s "$exe") bytes"
echo "empty window program size: $(stat -c %s "$floor") bytes"
