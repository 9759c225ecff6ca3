# 64-bit Windows with Debian's mingw-w64, posix threads flavour (std::thread
# and std::mutex need it). The programs link the runtime statically so each
# .exe stands alone.
#   -DQUILLON_WIN_PREFIX=<folder>  where the cross-built libraries were installed
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUILLON_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUILLON_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUILLON_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${QUILLON_MINGW}-windres)

# libgcc, libstdc++ and winpthread all static.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# Libraries, headers and packages only from the mingw sysroot and our prefix,
# never the build machine's; programs (nasm, pkg-config) from the build machine.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUILLON_WIN_PREFIX)
set(CMAKE_FIND_ROOT_PATH /usr/${QUILLON_MINGW})
if(QUILLON_WIN_PREFIX)
    list(APPEND CMAKE_FIND_ROOT_PATH ${QUILLON_WIN_PREFIX})
    list(APPEND CMAKE_PREFIX_PATH ${QUILLON_WIN_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config for the target reads only the target's .pc files; FindPkgConfig
# adds CMAKE_PREFIX_PATH to its search.
find_program(PKG_CONFIG_EXECUTABLE NAMES ${QUILLON_MINGW}-pkg-config)

# Test discovery and ctest run the programs under wine.
find_program(QUILLON_WINE NAMES wine)
if(QUILLON_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QUILLON_WINE})
endif()
