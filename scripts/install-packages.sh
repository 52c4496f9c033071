#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need.
# Safe to run again: does nothing when everything is already there.
set -euo pipefail

PACKAGES=(
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-i686-dev libz-mingw-w64-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  wine wine32:i386 wine64 xvfb xauth x11-apps imagemagick fonts-wqy-zenhei
  cmake ninja-build make pkg-config nasm autoconf automake libtool dpkg-dev
  googletest libgtest-dev g++ iproute2 procps python3 nsis
  libjpeg62-turbo-dev libopencv-core-dev libopencv-imgproc-dev libpugixml-dev libpng-dev
)

need_install=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_install=1
fi

# Source packages are how the third-party libraries reach the cross build.
src_list=/etc/apt/sources.list.d/debian.sources
if [ -f "$src_list" ] && grep -q '^Types: deb$' "$src_list"; then
  sed -i 's/^Types: deb$/Types: deb deb-src/' "$src_list"
  need_install=1
fi
if [ -f /etc/apt/sources.list ] && grep -q '^deb ' /etc/apt/sources.list && ! grep -q '^deb-src ' /etc/apt/sources.list; then
  sed -n 's/^deb \(.*\)$/deb-src \1/p' /etc/apt/sources.list >> /etc/apt/sources.list
  need_install=1
fi

for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    need_install=1
    break
  fi
done

if [ "$need_install" = 1 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${PACKAGES[@]}" >/dev/null
fi
echo "packages: ready"
