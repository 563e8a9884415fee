#!/usr/bin/env bash
# Builds Vestrel.exe if needed and starts it under Wine, in a Wine prefix of
# the project's own (.wine/, never ~/.wine). On a host that cannot run 32-bit
# code, and with --64, it builds and starts Vestrel64.exe instead.
#   On a display: the window opens there and the command returns when it closes.
#   With no display: it runs under Xvfb, saves a screenshot and closes it.
#   --demo: uses a prefix of its own (.wine/demo-*) whose registry holds the
#   sample drives of tools/demo/drives.reg, so the list shows coloured rows.
# Usage: tools/run.sh [--demo] [--64] [--screenshot FILE]
set -euo pipefail
cd "$(dirname "$0")/.."

shot=vestrel-screenshot.png
prefix=.wine/
prepare=
bits=32
while [ $# -gt 0 ]; do
  case "$1" in
    --screenshot) shot=$2; shift 2 ;;
    --demo) prefix=.wine/demo-; prepare='tools/demo/load.sh && '; shift ;;
    --64) bits=64; shift ;;
    -h|--help) sed -n '2,9p' "$0"; exit 0 ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
  esac
done

tools/deps.sh
tools/host-runs-32bit.sh || bits=64
if [ $bits = 64 ]; then
  preset=mingw64 program=Vestrel64.exe session=(tools/wine-session.sh --wine64) prefix=${prefix}64-
else
  preset=mingw program=Vestrel.exe session=(tools/wine-session.sh)
fi
[ -f "build/$preset/build.ninja" ] || cmake --preset $preset >/dev/null
cmake --build --preset $preset --target Vestrel >/dev/null
exe=$(pwd)/build/$preset/app/$program

if [ -n "${DISPLAY:-}" ]; then
  VESTREL_USE_DISPLAY=1 exec "${session[@]}" "${prefix}display" \
    bash -c "$prepare"'"$WINE" "$1"' bash "$exe"
fi

shot=$(realpath -m "$shot")
"${session[@]}" "${prefix}xvfb" bash -c "$prepare"'
  "$WINE" "$1" &
  sleep "${VESTREL_SHOT_DELAY:-4}"
  import -window root "$2"
' bash "$exe" "$shot"
echo "Screenshot: $shot"
