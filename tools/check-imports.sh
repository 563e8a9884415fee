#!/usr/bin/env bash
# Checks that each program is a Windows GUI program that loads on every
# Windows it is built for:
# - it imports only from DLLs that every Windows system has;
# - a 32-bit program imports only functions that Windows XP SP3 exports
#   (tools/winxp-api/), and nothing by ordinal from those DLLs.
# Prints one line per fault, naming the function and its DLL.
# Usage: tools/check-imports.sh EXE [EXE...]
set -euo pipefail
source "$(dirname "$0")/pe-headers.sh"
lists=$(cd "$(dirname "$0")/winxp-api" && pwd)
system_dlls='^(kernel32|user32|gdi32|comctl32|shell32|advapi32|msvcrt|comdlg32|ole32)\.dll$'

# Prints "DLL<TAB>function" per imported function ("DLL<TAB>#ordinal" for
# one imported by ordinal), from objdump's import tables.
imports() {
  awk '
    /^[ \t]*DLL Name: / { dll = tolower($3); next }
    /^[ \t]*vma: +Hint/ { next }
    /^[ \t]*$/ { dll = ""; next }
    /^[ \t]*[0-9a-f]+\t/ && dll != "" {
      if (NF >= 3 && $3 != "<none>") print dll "\t" $3; else print dll "\t#" $2
      next
    }
    { dll = "" }
  ' <<<"$1"
}

check_exe() {
  local exe=$1 headers bits bad=0
  read_pe_headers "$exe" || return 1
  grep -qE '^Subsystem\s+0*2\b' <<<"$headers" || { echo "$exe: not a GUI program" >&2; return 1; }

  local dll name list
  while IFS=$'\t' read -r dll name; do
    if ! grep -qE "$system_dlls" <<<"$dll"; then
      echo "$exe imports $dll, which Windows does not always have" >&2
      bad=1
      continue
    fi
    [ $bits = 32 ] || continue
    list=$lists/$dll.txt
    [ -f "$list" ] || continue
    if [[ $name == '#'* ]]; then
      echo "$exe imports ordinal ${name#\#} of $dll, which cannot be checked" >&2
      bad=1
    elif ! grep -qxF "$name" "$list" || grep -qxF "$name" "$lists/$dll.2003only.txt" 2>/dev/null; then
      echo "$exe imports $dll!$name, which Windows XP SP3 lacks" >&2
      bad=1
    fi
  done < <(imports "$headers" | sort -u)

  [ $bad -eq 0 ] || return 1
  if [ $bits = 32 ]; then
    echo "$exe: PE32 GUI, system DLLs only, every import on Windows XP SP3"
  else
    echo "$exe: PE32+ x86-64 GUI, system DLLs only"
  fi
}

check_each "$@"
