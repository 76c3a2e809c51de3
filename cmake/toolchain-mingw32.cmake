# Cross build for 32-bit x86 Windows with Debian's MinGW-w64:
#   cmake -S . -B build-win32 --toolchain cmake/toolchain-mingw32.cmake \
#         -DTILESWEEP_TOOLS=OFF -DTILESWEEP_MAKE_PIPL=<native make_pipl>
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TILESWEEP_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
