#!/usr/bin/env bash
# Installs what is missing, builds Vestrel.exe and Vestrel64.exe from scratch
# as the test builds make them, checks their imports and hardening, and writes
# dist/vestrel-VERSION.zip: both programs, README.txt (tools/release/),
# LICENSE.txt (from res/eula.txt) and SHA256SUMS of those four.
# The same commit gives the same zip, byte for byte, wherever and whenever it
# is made: the zip's times are the commit's. Outside a git checkout, set
# SOURCE_DATE_EPOCH to the commit's time (git log -1 --format=%ct); inside
# one, the commit's time is taken whatever SOURCE_DATE_EPOCH says.
# Usage: tools/release.sh
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$(pwd -P)" ]; then
  # A release names a commit: what it holds must be that commit, at its time.
  if ! git diff --quiet HEAD --; then
    echo "Tracked files differ from the commit: release from a clean checkout." >&2
    exit 2
  fi
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
elif [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  echo "Not a git checkout: set SOURCE_DATE_EPOCH to the commit's time" \
    "(git log -1 --format=%ct in a checkout of it)." >&2
  exit 2
fi
export SOURCE_DATE_EPOCH

tools/deps.sh

programs=()
for preset in mingw mingw64; do
  dir=build/release/$preset
  rm -rf "$dir"
  cmake --preset $preset -B "$dir" -DVESTREL_PROGRAM_ONLY=ON >/dev/null
  cmake --build "$dir" --target Vestrel
  programs+=("$(ls "$dir"/app/Vestrel*.exe)")
done
tools/check-imports.sh "${programs[@]}"
tools/check-hardening.sh "${programs[@]}"

# The version the build gave the version resource.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release/mingw/CMakeCache.txt)
[ -n "$version" ] || { echo "No project version in build/release/mingw" >&2; exit 1; }

mkdir -p dist
zip=dist/vestrel-$version.zip
echo
python3 tools/release/make_zip.py "$zip" "${programs[@]}" tools/release/README.txt res/eula.txt
sha256sum "$zip"
