# Cross build for 32-bit x86 Windows with Debian's MinGW-w64, the variant with POSIX
# threads (the win32-thread variant lacks std::thread and friends in libstdc++):
#   cmake -S . -B build-win32 --toolchain cmake/toolchain-mingw32.cmake \
#         -DTILESWEEP_TOOLS=OFF -DTILESWEEP_MAKE_PIPL=<native make_pipl>
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TILESWEEP_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TILESWEEP_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TILESWEEP_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TILESWEEP_MINGW_TRIPLE}-windres)

# Headers and libraries come from the target's tree only; programs from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${TILESWEEP_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
