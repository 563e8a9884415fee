# Sourced by the checks that read a program's headers (check-imports.sh,
# check-hardening.sh).

# Reads EXE's PE headers into $headers and its word size, 32 or 64, into
# $bits. Fails, saying so, for anything but an i386 or x86-64 Windows program.
# Usage: read_pe_headers EXE
read_pe_headers() {
  headers=$(x86_64-w64-mingw32-objdump -p "$1") || return 1
  case "$headers" in
    *'file format pei-i386'*) bits=32 ;;
    *'file format pei-x86-64'*) bits=64 ;;
    *) echo "$1: not a Windows i386 or x86-64 program" >&2; return 1 ;;
  esac
}

# Runs the caller's check_exe on each program; fails when any check does.
# Usage: check_each EXE [EXE...]
check_each() {
  local exe status=0
  for exe in "$@"; do
    check_exe "$exe" || status=1
  done
  return $status
}
