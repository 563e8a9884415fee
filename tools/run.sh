#!/usr/bin/env bash
# Builds Vestrel.exe if needed and starts it under Wine, in a Wine prefix of
# the project's own (.wine/, never ~/.wine).
#   On a display: the window opens there and the command returns when it closes.
#   With no display: it runs under Xvfb, saves a screenshot and closes it.
#   --demo: uses a prefix of its own (.wine/demo-*) whose registry holds the
#   sample drives of tools/demo/drives.reg, so the list shows coloured rows.
# Usage: tools/run.sh [--demo] [--screenshot FILE]
set -euo pipefail
cd "$(dirname "$0")/.."

shot=vestrel-screenshot.png
prefix=.wine/
prepare=
while [ $# -gt 0 ]; do
  case "$1" in
    --screenshot) shot=$2; shift 2 ;;
    --demo) prefix=.wine/demo-; prepare='tools/demo/load.sh && '; shift ;;
    -h|--help) sed -n '2,8p' "$0"; exit 0 ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
  esac
done

tools/deps.sh
[ -f build/mingw/build.ninja ] || cmake --preset mingw >/dev/null
cmake --build --preset mingw --target Vestrel >/dev/null
exe=$(pwd)/build/mingw/app/Vestrel.exe

if [ -n "${DISPLAY:-}" ]; then
  VESTREL_USE_DISPLAY=1 exec tools/wine-session.sh "${prefix}display" \
    bash -c "$prepare"'wine "$1"' bash "$exe"
fi

shot=$(realpath -m "$shot")
tools/wine-session.sh "${prefix}xvfb" bash -c "$prepare"'
  wine "$1" &
  sleep "${VESTREL_SHOT_DELAY:-4}"
  import -window root "$2"
' bash "$exe" "$shot"
echo "Screenshot: $shot"
