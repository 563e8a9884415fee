#!/usr/bin/env bash
# Checks that tools/release/make_zip.py makes the same zip from the same files
# whatever their times and permissions, the time zone and the umask, and that
# the SHA256SUMS inside verifies the files beside it.
# Usage: tools/check-release-zip.sh VESTREL_EXE VESTREL64_EXE
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/release/environment.sh

work=build/release-zip-check
rm -rf "$work"
mkdir -p "$work/later" "$work/unpacked"
release_build_info >"$work/BUILDINFO.txt"
files=("$1" "$2" tools/release/README.txt res/eula.txt "$work/BUILDINFO.txt")
cp "${files[@]}" "$work/later/"
touch -d '2001-02-03 04:05:06' "$work"/later/*
chmod 600 "$work"/later/*
later=()
for f in "${files[@]}"; do later+=("$work/later/$(basename "$f")"); done

export SOURCE_DATE_EPOCH=1472115600
TZ=UTC python3 tools/release/make_zip.py "$work/one.zip" "${files[@]}" >/dev/null
(umask 077 && TZ=Asia/Kathmandu python3 tools/release/make_zip.py "$work/two.zip" "${later[@]}" >/dev/null)
if ! cmp -s "$work/one.zip" "$work/two.zip"; then
  echo "make_zip.py: two zips of the same files differ" >&2
  exit 1
fi

python3 -m zipfile -e "$work/one.zip" "$work/unpacked"
(cd "$work/unpacked" && sha256sum --quiet --strict -c SHA256SUMS)
names=$(cd "$work/unpacked" && LC_ALL=C ls | tr '\n' ' ')
if [ "$names" != "BUILDINFO.txt LICENSE.txt README.txt SHA256SUMS Vestrel.exe Vestrel64.exe " ]; then
  echo "make_zip.py: the zip holds $names" >&2
  exit 1
fi
rm -rf "$work"
echo "Release zip: the same from files of other times, SHA256SUMS verifies"
