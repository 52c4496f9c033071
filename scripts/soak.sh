#!/usr/bin/env bash
# Runs the capture camera's reliability run (not part of the tests; CTest runs a 60-second
# one): the camera under Wine, 16 stand-in viewers in a native program beside it on links that
# lose 5% of the datagrams each way, all on 127.0.0.1. Usage: scripts/soak.sh [SECONDS]
# (default 600).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
bash scripts/install-packages.sh
bash deps/build-deps.sh
source scripts/wine-prefix.sh
trap wine_prefix_cleanup EXIT
cmake --preset "$LOOKOUT_WINDOWS_PRESET" >/dev/null
cmake --build --preset "$LOOKOUT_WINDOWS_PRESET" -j "$(nproc)" --target lantern_capture_soak
bin="build/$LOOKOUT_WINDOWS_PRESET/camserver"
bash camserver/soak/run_soak.sh "$bin/lantern_soak_viewers" "$bin/lantern_capture_soak.exe" "$seconds"
