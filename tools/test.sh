#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: the rules
# natively under ASan/UBSan, the fuzzers for a bounded time, the code style,
# and the Windows programs under Wine in a virtual X server.
# Usage: tools/test.sh
set -euo pipefail
cd "$(dirname "$0")/.."

tools/deps.sh

step() { printf '\n== %s\n' "$*"; }

step "Code style"
tools/check-format.sh

step "Rules, host compiler with sanitizers"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

step "Fuzzers"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz -j "$(nproc)"

step "Windows build and tests under Wine"
cmake --preset mingw >/dev/null
cmake --build --preset mingw
tools/check-imports.sh build/mingw/app/Vestrel.exe
tools/wine-session.sh build/mingw/wineprefix ctest --preset mingw
