# Cross build for 64-bit Windows with mingw-w64; the results run under
# 64-bit Wine, in a 64-bit prefix where 32-bit programs run from syswow64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(NELVO_MINGW_PREFIX x86_64-w64-mingw32)
set(NELVO_WINEARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Debian keeps the 64-bit loader in Wine's library folder.
find_program(NELVO_WINE_HOST wine64 PATHS /usr/lib/wine REQUIRED)
