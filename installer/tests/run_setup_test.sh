#!/usr/bin/env bash
# Runs setup_test in a network namespace of its own with a fresh Wine prefix: a 64-bit prefix
# where wine64 is there (it runs the 32-bit Setup.exe and shows both kinds of program), else a
# 32-bit one. Setup.exe is a 32-bit program: where 32-bit programs cannot run, the test is
# skipped (exit 77).
#   run_setup_test.sh TEST_EXE SETUP_EXE SETUP_WITH_STANDINS_EXE PROBE32 [PROBE64]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
test_exe="$1" setup="$2" standins="$3" probe32="$4" probe64="${5:-}"
source "$here/../../scripts/wine-arch.sh"

if ! timeout 10 "$WINE32_LOADER" --version >/dev/null 2>&1; then
  echo "setup_test: SKIPPED: Setup.exe is a 32-bit program and this machine cannot run 32-bit programs"
  exit 77
fi
[ -f "$setup" ] || { echo "setup_test: $setup is missing (is makensis installed?)" >&2; exit 1; }
args=(--setup="$setup" --setup-standins="$standins" --probe32="$probe32")
if [ -x "$WINE64_LOADER" ] && [ -n "$probe64" ] && [ -f "$probe64" ]; then
  export LOOKOUT_WINE_ARCH=x86_64
  args+=(--probe64="$probe64")
else
  echo "setup_test: no wine64 or no 64-bit build: a 32-bit prefix, the 64-bit checks are skipped"
  export LOOKOUT_WINE_ARCH=i686
fi
# The installed service opens windows: without a display it ends at once.
xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 190 289); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    export DISPLAY=":$n"
    break
  done
fi
trap '[ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true' EXIT
bash "$here/../../scripts/netns-run.sh" --loopback-only --timeout 1500 -- "$test_exe" --gtest_color=no "${args[@]}"
