#!/usr/bin/env bash
# Checks that the shipped programs are the same bytes wherever and whenever
# they are built, and whatever the environment of whoever builds them: builds
# them again from a copy of the sources in another folder, at another time,
# as tools/release.sh does (tools/release/environment.sh), from a shell whose
# variables would change the bytes if they reached the build, and compares
# each with the one already built from this folder by
# `cmake --build --preset PRESET`. Fails on a program that differs, or that
# holds the path of the folder it was built in.
# Usage: tools/check-reproducible.sh PRESET [PRESET...]   (mingw, mingw64)
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/release/environment.sh
here=$(pwd)

# A name of another length than the source folder's, so that a path kept in a
# program also moves everything after it.
copy=$here/build/reproducible/elsewhere-with-a-longer-name
rm -rf "$copy"
mkdir -p "$copy"
tar -c --exclude=./build --exclude=./.git --exclude=./.wine --exclude=./dist . | tar -x -C "$copy"

# Variables that CMake, the compilers and the linker read: CXXFLAGS and
# LDFLAGS alone give other programs wherever they reach the build.
hostile=(CFLAGS=-O0 "CXXFLAGS=-fno-inline -fno-omit-frame-pointer" CPPFLAGS=-DNDEBUG
         LDFLAGS=-Wl,--build-id RCFLAGS=-DNDEBUG TZ=Asia/Kathmandu LC_ALL=C)

status=0
for preset in "$@"; do
  ours=$(ls build/"$preset"/app/Vestrel*.exe)
  log=build/reproducible/$preset.log
  if ! theirs=$(cd "$copy" && export "${hostile[@]}" &&
    build_release_program "$preset" "build/$preset" 2>"$here/$log"); then
    tail -n 20 "$log" >&2
    exit 1
  fi
  theirs=$copy/$theirs
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
