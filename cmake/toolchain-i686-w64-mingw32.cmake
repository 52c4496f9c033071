# Cross build of 32-bit x86 Windows binaries with Debian's mingw-w64 (posix thread model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

# Third-party libraries built by deps/build-deps.sh live in a cache outside the source tree.
if(NOT DEFINED LOOKOUT_DEPS_PREFIX)
  if(DEFINED ENV{LOOKOUT_DEPS_PREFIX})
    set(LOOKOUT_DEPS_PREFIX "$ENV{LOOKOUT_DEPS_PREFIX}")
  else()
    set(LOOKOUT_DEPS_PREFIX "$ENV{HOME}/.cache/lookout-deps/i686-w64-mingw32")
  endif()
endif()
set(LOOKOUT_DEPS_PREFIX "${LOOKOUT_DEPS_PREFIX}" CACHE PATH "Prefix of the cross-built third-party libraries")

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32 "${LOOKOUT_DEPS_PREFIX}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No MinGW runtime DLL beside a deliverable.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine; the runner picks the prefix and locale.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh")
