# Cross build for 64-bit (x86-64) Windows with Debian's MinGW-w64, the variant with POSIX
# threads (the win32-thread variant lacks std::thread and friends in libstdc++):
#   cmake -S . -B build-win64 --toolchain cmake/toolchain-mingw64.cmake \
#         -DTILESWEEP_TOOLS=OFF -DTILESWEEP_MAKE_PIPL=<native make_pipl>
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TILESWEEP_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TILESWEEP_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TILESWEEP_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TILESWEEP_MINGW_TRIPLE}-windres)

# Headers and libraries come from the target's tree only; programs from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${TILESWEEP_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
