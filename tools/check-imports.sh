#!/usr/bin/env bash
# Checks that an executable is a 32-bit GUI program that needs no DLL beyond
# those every Windows system has.
set -euo pipefail
exe=$1
headers=$(i686-w64-mingw32-objdump -p "$exe")
grep -q 'file format pei-i386' <<<"$headers" || { echo "$exe: not PE32 i386" >&2; exit 1; }
grep -qE '^Subsystem\s+0*2\b' <<<"$headers" || { echo "$exe: not a GUI program" >&2; exit 1; }
allowed='^(kernel32|user32|gdi32|comctl32|shell32|advapi32|msvcrt|comdlg32|ole32)\.dll$'
bad=0
while read -r dll; do
  if ! grep -qiE "$allowed" <<<"$dll"; then
    echo "$exe imports $dll" >&2
    bad=1
  fi
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$headers")
[ $bad -eq 0 ] && echo "$exe: PE32 GUI, system DLLs only"
exit $bad
