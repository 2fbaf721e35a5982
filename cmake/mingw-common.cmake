# What both mingw-w64 cross builds share; the toolchain files set
# NELVO_MINGW_PREFIX, CMAKE_SYSTEM_PROCESSOR and NELVO_WINEARCH first.
set(CMAKE_SYSTEM_NAME Windows)

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
set(CMAKE_OBJCOPY ${NELVO_MINGW_PREFIX}-objcopy CACHE FILEPATH "")
set(CMAKE_STRIP ${NELVO_MINGW_PREFIX}-strip CACHE FILEPATH "")

# Programs of the target run under Wine, in a prefix of the build tree's own
# architecture (wine_tests.cmake). Debian's wrapper starts a 64-bit program
# with the 64-bit loader; hosts named by their Windows path (cscript,
# regsvr32, reg) need the loader of their bitness named explicitly.
find_program(NELVO_WINE wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${NELVO_WINE})
