#!/usr/bin/env bash
# Runs the benchmark programs under Wine and prints their figures (not part of the tests).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-packages.sh
bash deps/build-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" --target lantern_frame_bench tremor_bench lookout_start_bench
prefix=${LOOKOUT_DEPS_PREFIX:-$HOME/.cache/lookout-deps/i686-w64-mingw32}
source scripts/wine-prefix.sh
trap wine_prefix_cleanup EXIT
scripts/wine-run.sh build/windows/camserver/lantern_frame_bench.exe "$(winepath -w "$prefix/bin/tjbench.exe")"
scripts/wine-run.sh build/windows/motion/tremor_bench.exe "$(winepath -w "$WINE_RUN_DIR")\\tremor_bench.bmp"
# Lookout opens its main window only inside a loopback-only network namespace.
bash scripts/netns-run.sh --loopback-only -- build/windows/service/lookout_start_bench.exe 9
