# Sourced by the benchmarks, from the repository's root: picks the build tree
# and the Wine loader for PRESET ($1: mingw, 32-bit, or mingw64; the default
# is mingw where the host runs 32-bit code) and configures the tree if
# needed. Sets preset, build, session (the wine-session command) and program.
default=mingw64
tools/host-runs-32bit.sh && default=mingw
preset=${1:-$default}
build=build/$preset
session=(tools/wine-session.sh)
program=Vestrel.exe
if [ "$preset" = mingw64 ]; then
  session+=(--wine64)
  program=Vestrel64.exe
fi
[ -f "$build/build.ninja" ] || cmake --preset "$preset" >/dev/null
