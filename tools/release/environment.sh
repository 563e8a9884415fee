# Sourced by tools/release.sh, tools/check-reproducible.sh and tools/test.sh:
# the environment the shipped programs are built in, whatever the caller's.

# Runs a command with nothing of the caller's environment but HOME,
# SOURCE_DATE_EPOCH and CMAKE_BUILD_PARALLEL_LEVEL (how many compilers run at
# once, which changes no byte): no CFLAGS, CXXFLAGS, CPPFLAGS, LDFLAGS or
# RCFLAGS, no CPATH, LIBRARY_PATH, COMPILER_PATH or GCC_EXEC_PREFIX, no other
# CMAKE_* variable, no PYTHON* or LDEMULATION, all of which CMake, the
# compilers, the linker or Python read; the tools come from the system's own
# PATH, in the C locale.
# Usage: in_release_environment COMMAND [ARG...]
in_release_environment() {
  env -i HOME="${HOME:-/}" PATH=/usr/sbin:/usr/bin:/sbin:/bin LC_ALL=C TZ=UTC \
    ${SOURCE_DATE_EPOCH:+SOURCE_DATE_EPOCH="$SOURCE_DATE_EPOCH"} \
    ${CMAKE_BUILD_PARALLEL_LEVEL:+CMAKE_BUILD_PARALLEL_LEVEL="$CMAKE_BUILD_PARALLEL_LEVEL"} "$@"
}

# Builds the shipped program of PRESET (mingw or mingw64) from scratch in
# DIR, from the sources of the current folder, as a release does, and
# prints its path. The nested build of the program inherits the environment.
# Usage: build_release_program PRESET DIR
build_release_program() {
  rm -rf "$2"
  in_release_environment cmake --preset "$1" -B "$2" -DVESTREL_PROGRAM_ONLY=ON >/dev/null
  in_release_environment cmake --build "$2" --target Vestrel >&2
  ls "$2"/app/Vestrel*.exe
}

# The versions of the tools that make the release's bytes, for BUILDINFO.txt:
# a rebuild with the same ones gives the same zip.
# Usage: release_build_info
release_build_info() {
  in_release_environment bash -c '
    set -euo pipefail
    echo "The programs in this zip were built with:"
    for tool in i686-w64-mingw32-g++-win32 x86_64-w64-mingw32-g++-win32 \
                i686-w64-mingw32-ld x86_64-w64-mingw32-ld; do
      echo "  $tool: $("$tool" --version | head -n 1)"
    done
    echo "  cmake: $(cmake --version | head -n 1)"
    echo "  ninja: $(ninja --version)"
    echo "  python3: $(python3 --version), zlib $(python3 -c "import zlib; print(zlib.ZLIB_RUNTIME_VERSION)")"
    if command -v dpkg-query >/dev/null; then
      echo "from these packages:"
      dpkg-query -W -f="  \${Package} \${Version}\n" \
        g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 \
        binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 \
        mingw-w64-i686-dev mingw-w64-x86-64-dev cmake ninja-build python3 \
        "zlib1g:$(dpkg --print-architecture)"
    fi'
}
