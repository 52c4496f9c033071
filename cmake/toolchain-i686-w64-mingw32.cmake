# Cross build of 32-bit x86 Windows binaries with Debian's mingw-w64.
set(LOOKOUT_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
