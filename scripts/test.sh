#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the platform-free code
# natively under ASan/UBSan, then both Windows builds (32-bit and 64-bit), whose tests run
# under Wine for the architecture this machine can run (LOOKOUT_WINE_ARCH=i686|x86_64 forces).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-packages.sh
bash deps/build-deps.sh

jobs=$(nproc)

echo "== host build (ASan/UBSan)"
cmake --preset host >/dev/null
cmake --build --preset host -j "$jobs"
ctest --preset host -j "$jobs"

# Both architectures are compiled every time, so neither can rot. The 64-bit build goes
# first: the 32-bit build's Setup.exe takes its 64-bit Mirage set from it.
for preset in windows64 windows; do
  echo "== $preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

echo "== tests under Wine"
source scripts/wine-prefix.sh
trap wine_prefix_cleanup EXIT
echo "wine: $LOOKOUT_WINE_ARCH build ($LOOKOUT_WINDOWS_PRESET) in a $WINEARCH prefix: $WINE_ARCH_REASON"
ctest --preset "$LOOKOUT_WINDOWS_PRESET" -j "$jobs"
