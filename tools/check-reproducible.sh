#!/usr/bin/env bash
# Checks that the shipped programs are the same bytes wherever and whenever
# they are built: builds them again from a copy of the sources in another
# folder, at another time and in another time zone, and compares each with
# the one already built from this folder by `cmake --build --preset PRESET`.
# Fails on a program that differs, or that holds the path of the folder it
# was built in.
# Usage: tools/check-reproducible.sh PRESET [PRESET...]   (mingw, mingw64)
set -euo pipefail
cd "$(dirname "$0")/.."
here=$(pwd)

# A name of another length than the source folder's, so that a path kept in a
# program also moves everything after it.
copy=$here/build/reproducible/elsewhere-with-a-longer-name
rm -rf "$copy"
mkdir -p "$copy"
tar -c --exclude=./build --exclude=./.git --exclude=./.wine --exclude=./dist . | tar -x -C "$copy"

status=0
for preset in "$@"; do
  ours=$(ls build/"$preset"/app/Vestrel*.exe)
  theirs=$copy/build/$preset/app/$(basename "$ours")
  # The copy builds the program alone, through the same nested build.
  (cd "$copy" && TZ=Asia/Kathmandu LC_ALL=C cmake --preset "$preset" -DVESTREL_PROGRAM_ONLY=ON >/dev/null &&
    TZ=Asia/Kathmandu LC_ALL=C cmake --build --preset "$preset" --target Vestrel >/dev/null)
  # The copy lies inside this folder, so one path covers both builds.
  for exe in "$ours" "$theirs"; do
    if grep -qaF "$here" "$exe"; then
      echo "$exe: holds the path of the folder it was built in" >&2
      status=1
    fi
  done
  if cmp -s "$ours" "$theirs"; then
    echo "$(basename "$ours"): the same in both folders, SHA-256 $(sha256sum <"$ours" | cut -d' ' -f1)"
  else
    echo "$(basename "$ours"): differs between $ours and $theirs" \
      "($(cmp -l "$ours" "$theirs" 2>/dev/null | wc -l) bytes differ, first at" \
      "$(cmp "$ours" "$theirs" 2>/dev/null | awk '{ print $5 }' | tr -d ,))" >&2
    status=1
  fi
done
rm -rf "$copy"
exit $status
