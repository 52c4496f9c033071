# Imported targets for the third-party libraries of the Windows cross build:
#   deps::zlib       Debian's libz-mingw-w64-dev (static libz.a)
#   deps::jpeg       libjpeg API of libjpeg-turbo      deps::turbojpeg  its TurboJPEG API
#   deps::png        libpng 1.6 (links deps::zlib)
#   deps::opencv     OpenCV core + imgproc + imgcodecs with everything they link
#   deps::pugixml    pugixml
# All but zlib are built by deps/build-deps.sh into LOOKOUT_DEPS_PREFIX (set by the
# toolchain file). All are static, so nothing has to be shipped beside a program.
include_guard(GLOBAL)
if(NOT WIN32)
  return()
endif()

function(_lookout_deps_check prefix)
  set(missing "")
  foreach(f IN ITEMS
      "${LOOKOUT_MINGW_ROOT}/lib/libz.a"
      "${prefix}/lib/libjpeg.a" "${prefix}/lib/libturbojpeg.a" "${prefix}/include/jpeglib.h"
      "${prefix}/lib/libpng16.a" "${prefix}/include/png.h"
      "${prefix}/lib/libpugixml.a" "${prefix}/include/pugixml.hpp"
      "${prefix}/lib/cmake/opencv4/OpenCVConfig.cmake")
    if(NOT EXISTS "${f}")
      list(APPEND missing "${f}")
    endif()
  endforeach()
  # A stamp is written only after a complete install; files without one are suspect.
  foreach(lib IN ITEMS libjpeg-turbo libpng pugixml opencv)
    file(GLOB stamp "${prefix}/share/lookout-deps/stamps/${lib}-*")
    if(NOT stamp)
      list(APPEND missing "stamp of ${lib}")
    endif()
  endforeach()
  if(missing)
    list(JOIN missing "\n  " text)
    message(FATAL_ERROR
      "Third-party libraries are missing from LOOKOUT_DEPS_PREFIX=${prefix}:\n  ${text}\n"
      "Build them first (once; later runs take well under a second):\n"
      "  bash scripts/install-packages.sh && bash deps/build-deps.sh\n"
      "then configure again. If deps/build-deps.sh used another cache root, pass the same "
      "LOOKOUT_DEPS_ROOT in the environment (or LOOKOUT_DEPS_PREFIX with -D).")
  endif()
endfunction()

function(_lookout_static_import name location)
  add_library(${name} STATIC IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION "${location}" ${ARGN})
endfunction()

if(NOT LOOKOUT_DEPS_PREFIX)
  message(FATAL_ERROR "LOOKOUT_DEPS_PREFIX is not set: configure with a toolchain file of cmake/ (cmake --preset windows or windows64)")
endif()
_lookout_deps_check("${LOOKOUT_DEPS_PREFIX}")
set(_deps_inc "${LOOKOUT_DEPS_PREFIX}/include")
set(_deps_lib "${LOOKOUT_DEPS_PREFIX}/lib")

# The full path keeps the linker away from libz.dll.a. No include directory: zlib.h is
# in the compiler's own sysroot, and adding that as -isystem breaks #include_next.
_lookout_static_import(deps::zlib "${LOOKOUT_MINGW_ROOT}/lib/libz.a")

_lookout_static_import(deps::jpeg "${_deps_lib}/libjpeg.a"
  INTERFACE_INCLUDE_DIRECTORIES "${_deps_inc}")
_lookout_static_import(deps::turbojpeg "${_deps_lib}/libturbojpeg.a"
  INTERFACE_INCLUDE_DIRECTORIES "${_deps_inc}")

_lookout_static_import(deps::png "${_deps_lib}/libpng16.a"
  INTERFACE_INCLUDE_DIRECTORIES "${_deps_inc}"
  INTERFACE_LINK_LIBRARIES deps::zlib)

_lookout_static_import(deps::pugixml "${_deps_lib}/libpugixml.a"
  INTERFACE_INCLUDE_DIRECTORIES "${_deps_inc}")

# OpenCV's own config describes its static link chain (modules, then libz.a); its
# targets are made global so every directory sees what deps::opencv refers to.
block()
  set(CMAKE_FIND_PACKAGE_TARGETS_GLOBAL ON)
  find_package(OpenCV 4.6 REQUIRED CONFIG
    COMPONENTS core imgproc imgcodecs
    PATHS "${_deps_lib}/cmake/opencv4" NO_DEFAULT_PATH)
endblock()
add_library(deps::opencv INTERFACE IMPORTED GLOBAL)
target_link_libraries(deps::opencv INTERFACE opencv_imgcodecs opencv_imgproc opencv_core)

unset(_deps_inc)
unset(_deps_lib)
