#!/usr/bin/env bash
# Installs the Debian packages that building and testing Vestrel need, only
# those that are missing. As root it installs them; otherwise it prints the
# command to run and exits 2.
# Usage: tools/deps.sh
set -euo pipefail

packages=(
  cmake ninja-build g++ googletest clang libclang-rt-14-dev clang-format
  g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 xvfb xauth imagemagick python3
)

missing=()
for pkg in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

need_i386=0
dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]}" >&2
  echo "Run as root:" >&2
  [ $need_i386 -eq 1 ] && echo "  dpkg --add-architecture i386" >&2
  echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
  exit 2
fi

echo "Installing: ${missing[*]}"
[ $need_i386 -eq 1 ] && dpkg --add-architecture i386
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q "${missing[@]}"
