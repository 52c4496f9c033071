#!/usr/bin/env bash
# Runs the capture camera's reliability run under Wine (not part of the tests; CTest runs a
# 60-second one): one capture camera, 16 stand-in viewers on links that lose 5% of the
# datagrams each way, all on 127.0.0.1. Usage: scripts/soak.sh [SECONDS] (default 600).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
bash scripts/install-packages.sh
bash deps/build-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" --target lantern_capture_soak
source scripts/wine-prefix.sh
trap wine_prefix_cleanup EXIT
cd build/windows/camserver
"$OLDPWD/scripts/wine-run.sh" ./lantern_capture_soak.exe --seconds "$seconds"
