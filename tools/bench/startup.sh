#!/usr/bin/env bash
# Start-up benchmark under Wine: Vestrel.exe against two floors built the same
# way (tools/bench/CMakeLists.txt): the least that any program doing Vestrel's
# start-up must do (rich-edit, common controls, three buttons, a list) and an
# empty Win32 window program. Prints the median time from process creation to
# the first idle message loop for each, Vestrel's ratio to each, the peak
# working sets and the sizes. Not a test: figures vary with the machine and
# its load.
# Usage: tools/bench/startup.sh [PRESET] [RUNS]
#   PRESET: mingw (32-bit) or mingw64; the default is mingw where the host
#   runs 32-bit code. RUNS: 20.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tools/bench/preset.sh "${1:-}"
runs=${2:-20}

cmake --build "$build" --target Vestrel bench_launcher bench_floor bench_empty_window >/dev/null
exe=$(realpath "$build/app/$program")
floor=$(realpath "$build/tools/bench/bench_floor.exe")
empty=$(realpath "$build/tools/bench/bench_empty_window.exe")
launcher=$(realpath "$build/tools/bench/bench_launcher.exe")

"${session[@]}" "$build/wineprefix" bash -c '"$WINE" "$@"' bash "$launcher" "$runs" "Z:$exe" \
  "Z:$floor" "Z:$empty"
echo "$program size: $(stat -c %s "$exe") bytes"
echo "floor program size: $(stat -c %s "$floor") bytes"
echo "empty window program size: $(stat -c %s "$empty") bytes"
