# Shared part of the mingw-w64 cross toolchains (posix thread model). The per-architecture
# files set LOOKOUT_TRIPLE and CMAKE_SYSTEM_PROCESSOR, then include this one.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${LOOKOUT_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LOOKOUT_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${LOOKOUT_TRIPLE}-windres)

# Third-party libraries built by deps/build-deps.sh live in a cache outside the source tree,
# one prefix per architecture.
if(NOT DEFINED LOOKOUT_DEPS_PREFIX)
  if(DEFINED ENV{LOOKOUT_DEPS_ROOT})
    set(LOOKOUT_DEPS_PREFIX "$ENV{LOOKOUT_DEPS_ROOT}/${LOOKOUT_TRIPLE}")
  else()
    set(LOOKOUT_DEPS_PREFIX "$ENV{HOME}/.cache/lookout-deps/${LOOKOUT_TRIPLE}")
  endif()
endif()
set(LOOKOUT_DEPS_PREFIX "${LOOKOUT_DEPS_PREFIX}" CACHE PATH "Prefix of the cross-built third-party libraries")
set(LOOKOUT_MINGW_ROOT /usr/${LOOKOUT_TRIPLE} CACHE PATH "mingw-w64 sysroot holding the zlib of libz-mingw-w64-dev")

set(CMAKE_FIND_ROOT_PATH "${LOOKOUT_MINGW_ROOT}" "${LOOKOUT_DEPS_PREFIX}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No MinGW runtime DLL beside a deliverable.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine; the runner picks the prefix, the loader and the locale.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh")
