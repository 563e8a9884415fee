#!/usr/bin/env bash
# Checks that each program is a Windows GUI program that loads on every
# Windows it is built for:
# - it imports only from DLLs that every Windows system has;
# - a 32-bit program imports only functions that Windows XP SP3 exports
#   (tools/winxp-api/), and nothing by ordinal from those DLLs;
# - the same for the functions the program binds late, which no import table
#   shows: each call SystemDllFunction("x.dll", "Name") in the program's
#   sources (the folders of the program, not tests/ or tools/) names one, and
#   it must be in tools/winxp-api/x.dll.txt. The arguments must be string
#   literals, so that this check can read them: a call with anything else
#   fails it, and so does a DLL without a list there.
# Prints one line per fault, naming the function and its DLL.
# Usage: tools/check-imports.sh EXE [EXE...]
set -euo pipefail
source "$(dirname "$0")/pe-headers.sh"
root=$(cd "$(dirname "$0")/.." && pwd)
lists=$root/tools/winxp-api
system_dlls='^(kernel32|user32|gdi32|comctl32|shell32|advapi32|msvcrt|comdlg32|ole32)\.dll$'
program_folders=(app advisory dialogs discovery identify platform res rows unattended)

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

# Prints "DLL<TAB>function" per late-bound function of the program's sources,
# "?<TAB>CALL" per call whose arguments are not two string literals. Each file
# is read as one line, so a call broken over lines is read whole; the
# function's own declaration and definition are not calls.
late_bound() {
  local file
  find "${program_folders[@]/#/$root/}" -name '*.cpp' -o -name '*.h' | while read -r file; do
    tr '\n' ' ' <"$file" | grep -oE 'SystemDllFunction\([^)]*\)' || true
  done | sed -E \
    -e '/^SystemDllFunction\(const char\* [a-z]+, const char\* [a-z]+\)$/d' \
    -e 's/^SystemDllFunction\( *"([^"]+)" *, *"([^"]+)" *\)$/\L\1\E\t\2/' \
    -e '/^SystemDllFunction/s/^/?\t/' \
    | sort -u
}

# Checks `name` of `dll` against what Windows XP SP3 exports; `how` says how
# the program binds it, for the fault line.
check_on_xp() {
  local exe=$1 dll=$2 name=$3 how=$4 list=$lists/$2.txt
  if [[ $name == '#'* ]]; then
    echo "$exe $how ordinal ${name#\#} of $dll, which cannot be checked" >&2
    return 1
  elif ! grep -qxF "$name" "$list" || grep -qxF "$name" "$lists/$dll.2003only.txt" 2>/dev/null; then
    echo "$exe $how $dll!$name, which Windows XP SP3 lacks" >&2
    return 1
  fi
}

# The late-bound functions of the sources, checked as the imports are.
check_late_bound() {
  local exe=$1 dll name bad=0
  while IFS=$'\t' read -r dll name; do
    if [ "$dll" = '?' ]; then
      echo "$exe binds a function late with arguments this check cannot read: $name" >&2
      bad=1
    elif [ ! -f "$lists/$dll.txt" ]; then
      echo "$exe binds $dll!$name late, and tools/winxp-api has no list of $dll's exports" >&2
      bad=1
    else
      check_on_xp "$exe" "$dll" "$name" "binds late" || bad=1
    fi
  done < <(late_bound)
  return $bad
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
    [ -f "$lists/$dll.txt" ] || continue
    check_on_xp "$exe" "$dll" "$name" imports || bad=1
  done < <(imports "$headers" | sort -u)
  if [ $bits = 32 ]; then
    check_late_bound "$exe" || bad=1
  fi

  [ $bad -eq 0 ] || return 1
  if [ $bits = 32 ]; then
    echo "$exe: PE32 GUI, system DLLs only, every import and late-bound function on Windows XP SP3"
  else
    echo "$exe: PE32+ x86-64 GUI, system DLLs only"
  fi
}

check_each "$@"
