# 32-bit Windows programs (Vestrel.exe), run under Wine's 32-bit loader.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(MINGW_TRIPLE i686-w64-mingw32)
set(WINE_LOADER_NAMES wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
