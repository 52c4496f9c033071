#!/usr/bin/env bash
# Runs the soak: the native viewers' program, then the camera's Windows program under Wine in
# the prefix that WINEPREFIX names (scripts/test.sh and scripts/soak.sh make one).
#   run_soak.sh VIEWERS_PROGRAM SOAK_EXE SECONDS [--viewers N] [--drop SHARE]
set -euo pipefail
viewers_program=$1
soak_exe=$2
seconds=$3
shift 3
[ -n "${WINEPREFIX:-}" ] || { echo "run_soak.sh: WINEPREFIX is not set" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/lookout-soak.XXXXXX)
viewers_pid=""
cleanup() {
  if [ -n "$viewers_pid" ]; then
    kill "$viewers_pid" 2>/dev/null || true
    wait "$viewers_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
# The viewers stop by themselves a while after the run should have ended.
"$viewers_program" --control-file "$work/port" --max-seconds $((seconds + 300)) "$@" &
viewers_pid=$!
for _ in $(seq 100); do
  [ -s "$work/port" ] && break
  kill -0 "$viewers_pid" 2>/dev/null || { echo "run_soak.sh: the viewers' program ended" >&2; exit 1; }
  sleep 0.1
done
[ -s "$work/port" ] || { echo "run_soak.sh: the viewers' program is not ready" >&2; exit 1; }
cd "$(dirname "$soak_exe")"
status=0
"$here/../../scripts/wine-run.sh" "./$(basename "$soak_exe")" --viewers-at "$(cat "$work/port")" \
  --seconds "$seconds" || status=$?
exit "$status"
