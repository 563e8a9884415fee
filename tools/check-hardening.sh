#!/usr/bin/env bash
# Checks, from its PE headers, that each program has the defences an
# elevated program needs against memory-corruption attacks:
# - ASLR (DYNAMIC_BASE), with a relocation section to make it work (a 32-bit
#   program without relocations always loads at its preferred address), and
#   high-entropy ASLR (HIGH_ENTROPY_VA) on a 64-bit program;
# - DEP (NX_COMPAT);
# - the stack protector (-fstack-protector-strong) with its guard seeded at
#   run time: an initialiser of the C runtime's start-up fills the guard that
#   protected functions read with RtlGenRandom's bytes, before any of them
#   runs (tools/stack-guard-seeding.py, which says how it is read from the
#   code; the guard is platform/stack_guard_win32.cpp's).
# Prints one line per fault.
# Usage: tools/check-hardening.sh EXE [EXE...]
set -euo pipefail
source "$(dirname "$0")/pe-headers.sh"

check_exe() {
  local exe=$1 headers bits bad=0
  read_pe_headers "$exe" || return 1
  fault() { echo "$exe: $*" >&2; bad=1; }

  # The flag names objdump prints under DllCharacteristics, one a line.
  local flags
  flags=$(awk '/^DllCharacteristics/ { on = 1; next } on && /^\t+[A-Z_]+$/ { print $1; next } { on = 0 }' \
    <<<"$headers")
  grep -qx DYNAMIC_BASE <<<"$flags" || fault "no ASLR (DYNAMIC_BASE)"
  grep -qx NX_COMPAT <<<"$flags" || fault "no DEP (NX_COMPAT)"
  if [ $bits = 64 ]; then
    grep -qx HIGH_ENTROPY_VA <<<"$flags" || fault "no high-entropy ASLR (HIGH_ENTROPY_VA)"
  fi

  local relocs
  relocs=$(awk '/Base Relocation Directory/ { print $4 }' <<<"$headers")
  if grep -q 'relocations stripped' <<<"$headers" || [ -z "$relocs" ] || [ $((16#$relocs)) -eq 0 ]; then
    fault "no relocations: ASLR cannot move it"
  fi

  local guard
  guard=$("$(dirname "$0")/stack-guard-seeding.py" "$exe" 2>&1) || fault "${guard#"$exe: "}"

  [ $bad -eq 0 ] || return 1
  if [ $bits = 64 ]; then
    echo "$exe: ASLR (high entropy) with relocations, DEP, stack protector seeded at run time"
  else
    echo "$exe: ASLR with relocations, DEP, stack protector seeded at run time"
  fi
}

check_each "$@"
