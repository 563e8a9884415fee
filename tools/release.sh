#!/usr/bin/env bash
# Installs what is missing, builds Vestrel.exe and Vestrel64.exe from scratch
# as the test builds make them, checks their imports and hardening, and writes
# dist/vestrel-VERSION.zip: both programs, README.txt (tools/release/),
# LICENSE.txt (from res/eula.txt), BUILDINFO.txt (the versions of the tools
# that made them) and SHA256SUMS of those five.
# The same commit gives the same zip, byte for byte, wherever and whenever it
# is made, and whatever the caller's environment: the builds run in one of
# their own (tools/release/environment.sh), and the zip's times are the
# commit's. Outside a git checkout, set SOURCE_DATE_EPOCH to the commit's time
# (git log -1 --format=%ct); inside one, the commit's time is taken whatever
# SOURCE_DATE_EPOCH says.
# Usage: tools/release.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/release/environment.sh

if [ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$(pwd -P)" ]; then
  # A release names a commit: what it holds must be that commit, at its time.
  # Beside the commit's files only the build's own folders may stand: with
  # the sources' root on the include path, any other header, ignored or not,
  # could stand in for one of the commit's.
  strays=$(git status --porcelain --ignored --untracked-files=normal |
    grep -vxE '!! (build|dist|\.wine)/' || true)
  if [ -n "$strays" ]; then
    echo "The tree differs from the commit: release from a clean checkout." >&2
    echo "$strays" >&2
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
  programs+=("$(build_release_program $preset build/release/$preset)")
done
tools/check-imports.sh "${programs[@]}"
tools/check-hardening.sh "${programs[@]}"

# The version the build gave the version resource.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release/mingw/CMakeCache.txt)
[ -n "$version" ] || { echo "No project version in build/release/mingw" >&2; exit 1; }

mkdir -p dist
release_build_info >build/release/BUILDINFO.txt
zip=dist/vestrel-$version.zip
echo
in_release_environment python3 tools/release/make_zip.py "$zip" "${programs[@]}" \
  tools/release/README.txt res/eula.txt build/release/BUILDINFO.txt
sha256sum "$zip"
