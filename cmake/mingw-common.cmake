# What both MinGW-w64 cross builds share; the toolchain file names the processor and
# the triple first. Debian's variant with POSIX threads: the win32-thread one lacks
# std::thread and friends in libstdc++.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${TILESWEEP_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TILESWEEP_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TILESWEEP_MINGW_TRIPLE}-windres)

# Headers and libraries come from the target's tree only; programs from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${TILESWEEP_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
