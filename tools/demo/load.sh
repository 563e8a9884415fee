#!/usr/bin/env bash
# Writes the sample drives of drives.reg into the current Wine prefix and has
# Wine report Windows XP to Vestrel.exe alone: Wine reports Windows 7 by
# default, which makes Vestrel ask the volumes instead of the registry.
# Run inside tools/wine-session.sh. Usage: tools/demo/load.sh
set -euo pipefail
cd "$(dirname "$0")"
quiet() { "$@" </dev/null >/dev/null 2>&1; }
quiet wine reg import "$(winepath -w drives.reg)"
quiet wine reg add 'HKCU\Software\Wine\AppDefaults\Vestrel.exe' /v Version /d winxp /f
