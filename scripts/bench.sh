#!/usr/bin/env bash
# Runs the benchmark programs under Wine and prints their figures, each beside its reference
# measured in the same run (not part of the tests): the frame step (encode against tjbench,
# with sockets against a plain send loop of the same datagrams) and the motion check step by
# step; then Lookout's start and Mirage's figures. For the architecture this machine's Wine
# runs (LOOKOUT_WINE_ARCH=i686|x86_64 forces).
#
#   bench.sh [RUNS]   RUNS rounds of the frame and motion programs (default 1), each headed by
#                     the load average; the other programs once after them
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-1}
bash scripts/install-packages.sh
source scripts/wine-prefix.sh
trap wine_prefix_cleanup EXIT
echo "bench: $LOOKOUT_WINE_ARCH build ($WINE_ARCH_REASON)"
bash deps/build-deps.sh "$LOOKOUT_WINE_ARCH"
cmake --preset "$LOOKOUT_WINDOWS_PRESET" >/dev/null
cmake --build --preset "$LOOKOUT_WINDOWS_PRESET" -j "$(nproc)" --target lantern_frame_bench tremor_bench lookout_start_bench \
  mirage_bench
bin=build/$LOOKOUT_WINDOWS_PRESET
deps=${LOOKOUT_DEPS_ROOT:-$HOME/.cache/lookout-deps}/$LOOKOUT_WINE_ARCH-w64-mingw32
tjbench=$(wine_path_w "$deps/bin/tjbench.exe")
# Runs a program, then says what share of this machine's CPU time the host took meanwhile
# ("steal" in /proc/stat): on a shared host it moves every figure, and the load average does
# not show it.
with_steal() {
  local before
  before=$(head -1 /proc/stat)
  "$@"
  awk -v a="$before" -v b="$(head -1 /proc/stat)" 'BEGIN { split(a, x); split(b, y); t = 0
    for (i = 2; i <= 9; ++i) t += y[i] - x[i]
    printf "  (the host took %.0f %% of this machine'"'"'s CPU time meanwhile)\n", (t > 0 ? 100 * (y[9] - x[9]) / t : 0) }'
}
for run in $(seq "$runs"); do
  # Other work on the machine shows in the figures; the load says how much there was.
  echo "== run $run of $runs ($LOOKOUT_WINE_ARCH), load average $(cut -d' ' -f1-3 /proc/loadavg)"
  with_steal scripts/wine-run.sh "$bin/camserver/lantern_frame_bench.exe" "$tjbench"
  with_steal scripts/wine-run.sh "$bin/motion/tremor_bench.exe" "$(wine_path_w "$WINE_RUN_DIR")\\tremor_bench.bmp"
done
# Lookout opens its main window only inside a loopback-only network namespace.
bash scripts/netns-run.sh --loopback-only -- "$bin/service/lookout_start_bench.exe" 9

# Mirage writes its camera list beside Rookery.dll: in a directory of its own.
root=$(pwd)
mirage="$WINE_RUN_DIR/mirage-bench"
mkdir -p "$mirage"
cp "$bin/vdevice/mirage_bench.exe" "$bin/vdevice/Mirage.ax" "$bin/camshare/Rookery.dll" \
   "$bin/standins/netclient/NetClient.dll" "$bin/plugins/orvel/Orvelgate.dll" "$mirage/"
( cd "$mirage" && "$root/scripts/wine-run.sh" ./mirage_bench.exe ) 2>&1 | grep '^bench:'
