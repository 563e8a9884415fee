#!/usr/bin/env bash
# Writes the sample drives of drives.reg into the current Wine prefix and has
# Wine report Windows XP to Vestrel.exe and Vestrel64.exe alone: Wine reports
# Windows 7 by default, which makes Vestrel ask the volumes instead of the
# registry.
# Run inside tools/wine-session.sh. Usage: tools/demo/load.sh
set -euo pipefail
cd "$(dirname "$0")"
quiet() { "$@" </dev/null >/dev/null 2>&1; }
quiet "$WINE" reg import "$("$WINE" winepath -w drives.reg)"
for program in Vestrel.exe Vestrel64.exe; do
  quiet "$WINE" reg add "HKCU\\Software\\Wine\\AppDefaults\\$program" /v Version /d winxp /f
done
