# Cross build of 64-bit x86 Windows binaries with Debian's mingw-w64.
set(LOOKOUT_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
