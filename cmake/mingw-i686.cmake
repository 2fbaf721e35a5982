# Cross build for 32-bit Windows with mingw-w64; the results run under Wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(NELVO_MINGW_PREFIX i686-w64-mingw32)
# A 32-bit prefix: a 64-bit one would hide bitness mistakes.
set(NELVO_WINEARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(NELVO_WINE_HOST ${NELVO_WINE})
