# Cross build for 32-bit Windows with mingw-w64; the results run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(NELVO_MINGW_PREFIX i686-w64-mingw32)
# The -posix variant, for std::thread and std::mutex.
set(CMAKE_CXX_COMPILER ${NELVO_MINGW_PREFIX}-g++-posix)
set(CMAKE_C_COMPILER ${NELVO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_RC_COMPILER ${NELVO_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${NELVO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows 7 API level; no DLLs from the compiler's runtime to ship.
set(CMAKE_CXX_FLAGS_INIT "-D_WIN32_WINNT=0x0601 -DWINVER=0x0601")
set(CMAKE_C_FLAGS_INIT "-D_WIN32_WINNT=0x0601 -DWINVER=0x0601")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(NELVO_WINE wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${NELVO_WINE})
