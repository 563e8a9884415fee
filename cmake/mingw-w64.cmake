# Windows programs from Debian's mingw-w64 packages; included by the toolchain
# file of each architecture, which sets MINGW_TRIPLE and WINE_LOADER_NAMES.
set(CMAKE_SYSTEM_NAME Windows)

# Two thread models, one per kind of program:
# - posix (the default) for the test programs: GCC 12's win32 model has no
#   std::thread or std::mutex, which GoogleTest and the tests use;
# - win32 for the shipped program: the posix model links winpthread, which
#   imports GetTickCount64, and Windows XP has no such function.
set(VESTREL_THREAD_MODEL posix CACHE STRING "MinGW thread model: posix or win32")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VESTREL_THREAD_MODEL MINGW_TRIPLE)
set(CMAKE_C_COMPILER   ${MINGW_TRIPLE}-gcc-${VESTREL_THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-${VESTREL_THREAD_MODEL})
set(CMAKE_RC_COMPILER  ${MINGW_TRIPLE}-windres)

# Every build of these sources, test builds and the shipped program alike,
# makes the same bytes wherever and whenever it runs.
set(CMAKE_PROJECT_INCLUDE ${CMAKE_CURRENT_LIST_DIR}/reproducible.cmake)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# CTest runs every Windows test program through Wine's loader for this
# architecture, called directly: Debian's `wine` wrapper always picks the
# 32-bit loader when it is installed, even where the host cannot run it.
find_program(WINE_PROGRAM NAMES ${WINE_LOADER_NAMES} PATHS /usr/lib/wine NO_CACHE REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_PROGRAM})
