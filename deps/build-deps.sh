#!/usr/bin/env bash
# Cross-builds the third-party libraries (static) for 32-bit and 64-bit Windows from Debian
# bookworm source packages into a cache outside the source tree, one prefix per
# architecture. A library whose stamp is present is not touched again, so a warm run only
# checks stamps.
#
#   build-deps.sh [ARCH...]   ARCH is i686 or x86_64; both when none is given
#
#   LOOKOUT_DEPS_ROOT    cache root (default ~/.cache/lookout-deps); prefixes are ROOT/<triple>
#   LOOKOUT_DEPS_JOBS    parallel compile jobs (default 2)
set -euo pipefail
shopt -s inherit_errexit

REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
WORK=${LOOKOUT_DEPS_ROOT:-$HOME/.cache/lookout-deps}
SRC=$WORK/src
JOBS=${LOOKOUT_DEPS_JOBS:-2}
# Bump when a change to the build recipe below must rebuild every cached library.
RECIPE=2

# Upstream versions are pinned; the Debian revision is the newest bookworm one whose
# source actually downloads (security updates are sometimes listed but not served).
JPEG_PKG=libjpeg-turbo  JPEG_PIN=2.1.5
PNG_PKG=libpng1.6       PNG_PIN=1.6.39
OPENCV_PKG=opencv       OPENCV_PIN=4.6.0+dfsg
PUGIXML_PKG=pugixml     PUGIXML_PIN=1.13

JPEG_OPTS=(-DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=ON -DREQUIRE_SIMD=ON
  -DWITH_TURBOJPEG=ON -DWITH_JAVA=OFF)
PNG_OPTS_COMMON=(-DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF
  -DPNG_BUILD_ZLIB=OFF)
# dfsg source: no bundled zlib or ffmpeg, so BUILD_ZLIB and WITH_FFMPEG must be off.
OPENCV_OPTS_COMMON=(-DBUILD_LIST=core,imgproc,imgcodecs -DBUILD_SHARED_LIBS=OFF -DBUILD_ZLIB=OFF
  -DWITH_FFMPEG=OFF -DWITH_IPP=OFF -DWITH_ITT=OFF -DWITH_OPENCL=OFF -DWITH_TIFF=OFF
  -DWITH_WEBP=OFF -DWITH_OPENJPEG=OFF -DWITH_JASPER=OFF -DWITH_OPENEXR=OFF -DWITH_PNG=OFF
  -DWITH_JPEG=OFF -DWITH_PROTOBUF=OFF -DWITH_ADE=OFF -DWITH_EIGEN=OFF -DWITH_LAPACK=OFF
  -DCPU_DISPATCH= -DWITH_WIN32UI=OFF -DWITH_DSHOW=OFF -DWITH_MSMF=OFF -DWITH_OBSENSOR=OFF
  -DWITH_QUIRC=OFF -DBUILD_TESTS=OFF -DBUILD_PERF_TESTS=OFF -DBUILD_opencv_apps=OFF
  -DBUILD_DOCS=OFF -DBUILD_JAVA=OFF -DOPENCV_GENERATE_PKGCONFIG=OFF)
PUGIXML_OPTS=(-DBUILD_SHARED_LIBS=OFF -DPUGIXML_BUILD_TESTS=OFF)

# ---------------------------------------------------------------------------- helpers

# Everything that should force a rebuild when it changes: options, target, compiler, recipe.
options_hash() {
  { printf '%s\n' "$@" "$TRIPLE" "$RECIPE"; "$TRIPLE-g++-posix" -dumpfullversion; } \
    | sha256sum | cut -c1-16
}

stamp_path() { # name pin hash
  echo "$STAMPS/$1-$2-$3"
}

# Newest bookworm source version of $1 whose upstream part is $2.
candidate_versions() {
  apt-cache showsrc "$1" 2>/dev/null \
    | awk -v pkg="$1" '/^Package: /{p=$2} /^Version: /{if (p==pkg) print $2}' \
    | while read -r v; do
        local up=${v#*:}
        if [ "${up%-*}" = "$2" ]; then echo "$v"; fi
      done | sort -uVr
}

# Downloads and unpacks source package $1 (upstream $2); prints the source tree's path.
# Unpacks into a temporary directory first, so a half-extracted tree is never used.
fetch_source() {
  local pkg=$1 pin=$2 dir v
  dir=$(ls -d "$SRC/${pkg}_$pin"-* 2>/dev/null | grep -v '\.partial$' | sort -Vr | head -n1 || true)
  if [ -n "$dir" ]; then echo "$dir"; return; fi
  mkdir -p "$SRC/downloads"
  for v in $(candidate_versions "$pkg" "$pin"); do
    echo "fetching $pkg=$v" >&2
    if (cd "$SRC/downloads" && apt-get source --download-only "$pkg=$v" >&2); then
      dir=$SRC/${pkg}_${v#*:}
      rm -rf "$dir.partial"
      dpkg-source --no-copy -x "$SRC/downloads/${pkg}_${v#*:}.dsc" "$dir.partial" >&2
      mv "$dir.partial" "$dir"
      echo "$dir"
      return
    fi
  done
  echo "no downloadable bookworm source for $pkg $pin" >&2
  return 1
}

# Configures, builds and installs a CMake project with the project's toolchain.
cmake_install() { # source build-dir options...
  local src=$1 bld=$2
  shift 2
  cmake -S "$src" -B "$bld" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DLOOKOUT_DEPS_PREFIX="$PREFIX" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" "$@"
  cmake --build "$bld" -j "$JOBS"
  cmake --install "$bld"
}

# Fails unless every listed file exists under the prefix.
require() {
  local f
  for f in "$@"; do
    [ -f "$PREFIX/$f" ] || { echo "expected $PREFIX/$f after install" >&2; return 1; }
  done
}

# Serialises builds when several checkouts or test runs share the cache.
LOCKED=0
lock_cache() {
  [ "$LOCKED" = 1 ] && return
  mkdir -p "$WORK"
  exec 9>"$WORK/.lock"
  if ! flock -n 9; then
    echo "build-deps: waiting for another run to release $WORK/.lock" >&2
    flock 9
  fi
  LOCKED=1
}

# Runs build_<fn> for one library unless its stamp exists; one line of output per library.
build_library() { # name pkg pin fn options...
  local name=$1 pkg=$2 pin=$3 fn=$4 hash stamp log start rc
  shift 4
  hash=$(options_hash "$pin" "$@")
  stamp=$(stamp_path "$name" "$pin" "$hash")
  [ -f "$stamp" ] || lock_cache
  if [ -f "$stamp" ]; then
    echo "$TRIPLE $name $pin: up to date"
    return
  fi
  mkdir -p "$LOGS" "$STAMPS" "$BUILD"
  log=$LOGS/$name.log
  start=$SECONDS
  set +e
  (
    set -euo pipefail
    cd "$BUILD"   # some projects resolve relative install dirs against the cwd
    echo "== $name $pin options hash $hash"
    src=$(fetch_source "$pkg" "$pin")
    bld=$BUILD/$(basename "$src")-$hash
    "$fn" "$src" "$bld" "$@"
    rm -f "$STAMPS/$name"-*
    printf 'source %s\noptions %s\n' "$(basename "$src")" "$*" >"$stamp"
    rm -rf "$bld"
  ) >"$log" 2>&1
  rc=$?
  set -e
  if [ "$rc" != 0 ]; then
    echo "$TRIPLE $name $pin: FAILED (log: $log)" >&2
    tail -n 40 "$log" >&2
    exit "$rc"
  fi
  echo "$TRIPLE $name $pin: built in $((SECONDS - start)) s ($(sed -n 's/^source //p' "$stamp"))"
}

# ---------------------------------------------------------------------------- libraries

build_jpeg() { # src bld options...
  local src=$1 bld=$2
  shift 2
  cmake_install "$src" "$bld" "$@"
  # Static-only builds install tjbench-static under the name tjbench.exe.
  require lib/libjpeg.a lib/libturbojpeg.a include/jpeglib.h include/turbojpeg.h bin/tjbench.exe
}

build_png() {
  local src=$1 bld=$2
  shift 2
  cmake_install "$src" "$bld" "$@"
  require lib/libpng16.a include/png.h
}

build_opencv() {
  local src=$1 bld=$2
  shift 2
  cmake_install "$src" "$bld" "$@"
  require lib/libopencv_core460.a lib/libopencv_imgproc460.a lib/libopencv_imgcodecs460.a \
    lib/cmake/opencv4/OpenCVConfig.cmake include/opencv4/opencv2/core.hpp
}

build_pugixml() {
  local src=$1 bld=$2
  shift 2
  cmake_install "$src" "$bld" "$@"
  require lib/libpugixml.a include/pugixml.hpp
}

# ---------------------------------------------------------------------------- main

build_arch() { # i686 | x86_64
  TRIPLE=$1-w64-mingw32
  PREFIX=$WORK/$TRIPLE
  BUILD=$WORK/build/$TRIPLE
  LOGS=$WORK/logs/$TRIPLE
  STAMPS=$PREFIX/share/lookout-deps/stamps
  TOOLCHAIN=$REPO/cmake/toolchain-$TRIPLE.cmake
  MINGW_ROOT=/usr/$TRIPLE
  if ! command -v "$TRIPLE-g++-posix" >/dev/null || [ ! -f "$MINGW_ROOT/lib/libz.a" ]; then
    echo "build-deps: the $TRIPLE compiler or $MINGW_ROOT/lib/libz.a is missing; run scripts/install-packages.sh" >&2
    exit 1
  fi
  build_library libjpeg-turbo "$JPEG_PKG" "$JPEG_PIN" build_jpeg "${JPEG_OPTS[@]}"
  build_library libpng "$PNG_PKG" "$PNG_PIN" build_png "${PNG_OPTS_COMMON[@]}" \
    -DZLIB_INCLUDE_DIR="$MINGW_ROOT/include" -DZLIB_LIBRARY="$MINGW_ROOT/lib/libz.a"
  build_library pugixml "$PUGIXML_PKG" "$PUGIXML_PIN" build_pugixml "${PUGIXML_OPTS[@]}"
  build_library opencv "$OPENCV_PKG" "$OPENCV_PIN" build_opencv "${OPENCV_OPTS_COMMON[@]}" \
    -DZLIB_INCLUDE_DIR="$MINGW_ROOT/include" -DZLIB_LIBRARY="$MINGW_ROOT/lib/libz.a"
}

arches=("$@")
[ ${#arches[@]} -gt 0 ] || arches=(i686 x86_64)
for arch in "${arches[@]}"; do
  case "$arch" in
    i686|x86_64) build_arch "$arch" ;;
    *) echo "build-deps: unknown architecture $arch (i686 or x86_64)" >&2; exit 2 ;;
  esac
done
