# Cross build for 64-bit (x86-64) Windows with Debian's MinGW-w64:
#   cmake -S . -B build-win64 --toolchain cmake/toolchain-mingw64.cmake \
#         -DTILESWEEP_TOOLS=OFF -DTILESWEEP_MAKE_PIPL=<native make_pipl>
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TILESWEEP_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
