#!/usr/bin/env bash
# Runs a command with Wine ready, under a virtual X server (or on the user's
# display when VESTREL_USE_DISPLAY=1 and DISPLAY is set).
# Usage: tools/wine-session.sh [--wine64] PREFIX_DIR command [args...]
#
# The Wine prefix is PREFIX_DIR (never the user's ~/.wine). On first use it is
# created; under Xvfb it is switched to a Wine virtual desktop, since without
# one every top-level window waits about two seconds for a window manager.
# The command finds the Wine loader in $WINE: Debian's `wine`, or with
# --wine64, and on a host that cannot run 32-bit code, the 64-bit loader
# itself (the `wine` wrapper picks the 32-bit one whenever it is installed).
set -euo pipefail
self=$(realpath "$0")
in_display=0
wine64=0
while :; do
  case "${1:-}" in
    --in-display) in_display=1; shift ;;
    --wine64) wine64=1; shift ;;
    *) break ;;
  esac
done
"$(dirname "$self")/host-runs-32bit.sh" || wine64=1
if [ $wine64 = 1 ]; then
  export WINE=/usr/lib/wine/wine64 WINELOADER=/usr/lib/wine/wine64
else
  export WINE=wine
fi
prefix=$(mkdir -p "$1" && cd "$1" && pwd)
shift
export WINEPREFIX="$prefix"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="   # never offer Mono or Gecko downloads

run_in_display() {
  quiet() { "$@" </dev/null >/dev/null 2>&1; }
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    quiet "$WINE" wineboot -i || return 1
    if [ $in_display = 1 ]; then
      quiet "$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
      quiet "$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f
    fi
    wineserver -w
  fi
  # One persistent wineserver for the whole run. Its helper processes are
  # started here, detached from our output: started by a test they would hold
  # the test runner's pipes open and it would wait for ever.
  wineserver -p
  quiet "$WINE" wineboot || return 1
  local rc=0
  "$@" || rc=$?
  wineserver -k || true
  return $rc
}

if [ $in_display = 1 ] || { [ -n "${DISPLAY:-}" ] && [ "${VESTREL_USE_DISPLAY:-0}" = 1 ]; }; then
  run_in_display "$@"
else
  flags=(--in-display)
  [ $wine64 = 1 ] && flags+=(--wine64)
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$self" "${flags[@]}" "$prefix" "$@"
fi
