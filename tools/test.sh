#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: the rules
# natively under ASan/UBSan, the fuzzers for a bounded time, the code style,
# and the Windows programs, 32-bit and 64-bit, under Wine in a virtual X
# server. Where the host cannot run 32-bit code, the Windows tests run on the
# 64-bit build alone, and the 32-bit program is still built and checked. The
# imports and the hardening of both shipped programs are checked every run,
# and that they come out the same when built again elsewhere.
# Usage: tools/test.sh
set -euo pipefail
cd "$(dirname "$0")/.."

tools/deps.sh

step() { printf '\n== %s\n' "$*"; }

step "Code style"
tools/check-format.sh

step "Include structure: rules without Windows, no climbs, no circles, names by layer"
tools/check-includes.py

step "Rules, host compiler with sanitizers"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

step "Fuzzers"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
# Each fuzzer runs for a fixed time, not a fixed amount of work: all of them
# at once take that time once.
ctest --preset fuzz -j 8

step "Windows builds: Vestrel.exe (32-bit) and Vestrel64.exe"
# In the release's environment, not the caller's: the reproducibility check
# below compares these programs with a release build.
source tools/release/environment.sh
for preset in mingw mingw64; do
  in_release_environment cmake --preset $preset >/dev/null
  in_release_environment cmake --build --preset $preset
done
tools/check-imports.sh build/mingw/app/Vestrel.exe build/mingw64/app/Vestrel64.exe
tools/check-hardening.sh build/mingw/app/Vestrel.exe build/mingw64/app/Vestrel64.exe

step "Reproducible release: both programs built again in another folder, and the zip"
tools/check-reproducible.sh mingw mingw64
tools/check-release-zip.sh build/mingw/app/Vestrel.exe build/mingw64/app/Vestrel64.exe

if tools/host-runs-32bit.sh; then
  step "Windows tests, 32-bit build, under Wine"
  tools/wine-session.sh build/mingw/wineprefix ctest --preset mingw
  step "Windows tests, 64-bit build, under Wine's 64-bit loader"
  tools/wine-session.sh --wine64 build/mingw64/wineprefix ctest --preset mingw64
else
  step "Windows tests, 64-bit build, under Wine's 64-bit loader"
  echo "This host cannot run 32-bit code (Wine's 32-bit loader fails to start):" \
    "the Windows tests run on the 64-bit build; the 32-bit program is built and its imports" \
    "and resources are checked."
  # The 64-bit resource tests read the 32-bit program as a data file.
  tools/wine-session.sh --wine64 build/mingw64/wineprefix bash -c '
    VESTREL_EXE="Z:$PWD/build/mingw/app/Vestrel.exe" "$WINE" build/mingw64/tests/win32/dialog_tests.exe \
      --gtest_filter="VestrelExe.*" --gtest_brief=1 || exit 1
    ctest --preset mingw64'
fi
