#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
# the platform-free code natively under ASan/UBSan, then the Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-packages.sh
bash deps/build-deps.sh

jobs=$(nproc)

echo "== host build (ASan/UBSan)"
cmake --preset host >/dev/null
cmake --build --preset host -j "$jobs"
ctest --preset host -j "$jobs"

echo "== windows build"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"

echo "== tests under Wine"
source scripts/wine-prefix.sh
trap wine_prefix_cleanup EXIT
ctest --preset windows -j "$jobs"
