#!/usr/bin/env bash
# Runs one program inside private network namespaces made for this run and removed
# afterwards: "PC" (10.213.7.1/24) with the program, and "camera" (10.213.7.2/24) with the
# stand-in quil camera responder, joined by a veth pair; or, without a responder, the PC
# namespace alone with nothing but loopback. Nothing of it reaches the host's network, so
# the program may broadcast. A Windows program runs under Wine in a prefix made inside the
# PC namespace: Wine's sockets are created by its wineserver, which must live there too (a
# wineserver started outside would send on the host's network).
#
#   netns-run.sh (--responder PATH [--camera] | --loopback-only) [--timeout S] -- PROGRAM [ARGS...]
#
# The program finds the responder's control address in QUILCAM_CONTROL and the namespace's
# name in LOOKOUT_NETNS. With --camera the responder is also one whole camera on TCP port 81
# of its address (CGI requests, MJPEG stream, operation protocol; user admin, password
# 123456), given in QUILCAM_CAMERA. Any failure to set the namespaces up fails the run.
set -euo pipefail

fail() {
  echo "netns-run.sh: FAILED: $*" >&2
  exit 1
}

responder=""
loopback_only=0
camera_args=()
timeout_s=240
while [ $# -gt 0 ]; do
  case "$1" in
    --responder) responder="$2"; shift 2 ;;
    --loopback-only) loopback_only=1; shift ;;
    --camera) camera=1; shift ;;
    --timeout) timeout_s="$2"; shift 2 ;;
    --) shift; break ;;
    *) fail "unknown option $1" ;;
  esac
done
[ $# -ge 1 ] || fail "no program given"
if [ "$loopback_only" = 1 ]; then
  [ -z "$responder" ] || fail "--loopback-only takes no responder"
else
  [ -n "$responder" ] && [ -x "$responder" ] || fail "responder not found: $responder"
fi
[ -e "$1" ] || fail "program not found: $1"
[ "$(id -u)" = 0 ] || fail "network namespaces need root"
command -v ip >/dev/null || fail "ip (iproute2) is missing"

started=$(date +%s.%N)
run_id=$$
pc="lk-pc-$run_id"
cam="lk-cam-$run_id"
veth_pc="lkp$run_id"
veth_cam="lkc$run_id"
subnet=10.213.7
work=$(mktemp -d /tmp/lookout-netns.XXXXXX)
prefix="$work/prefix"
responder_pid=""

cleanup() {
  set +e
  if [ -n "$responder_pid" ]; then
    kill "$responder_pid" 2>/dev/null
    wait "$responder_pid" 2>/dev/null
  fi
  if [ -d "$prefix" ] && ip netns list | grep -qw "$pc"; then
    ip netns exec "$pc" env WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1
  fi
  ip netns del "$pc" 2>/dev/null
  ip netns del "$cam" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

ip netns add "$pc" || fail "cannot create network namespace $pc"
ip -n "$pc" link set lo up
namespaces=("$pc")
if [ "$loopback_only" = 0 ]; then
  ip netns add "$cam" || fail "cannot create network namespace $cam"
  namespaces+=("$cam")
  ip link add "$veth_pc" type veth peer name "$veth_cam" || fail "cannot create veth pair"
  ip link set "$veth_pc" netns "$pc" || fail "cannot move $veth_pc"
  ip link set "$veth_cam" netns "$cam" || fail "cannot move $veth_cam"
  ip -n "$pc" addr add "$subnet.1/24" dev "$veth_pc"
  ip -n "$cam" addr add "$subnet.2/24" dev "$veth_cam"
  ip -n "$cam" link set lo up
  ip -n "$pc" link set "$veth_pc" up
  ip -n "$cam" link set "$veth_cam" up
  # The limited broadcast leaves through the veth: there is no other route.
  ip -n "$pc" route add 255.255.255.255/32 dev "$veth_pc"
fi

# Only loopback and the test subnet may be visible inside.
for ns in "${namespaces[@]}"; do
  while read -r address; do
    case "$address" in
      127.*) ;;
      "$subnet".*) [ "$loopback_only" = 0 ] || fail "unexpected address $address in $ns" ;;
      *) fail "unexpected address $address in $ns" ;;
    esac
  done < <(ip -n "$ns" -4 -o addr show | awk '{print $4}')
done

if [ "$loopback_only" = 0 ]; then
  if [ "${camera:-0}" = 1 ]; then
    camera_args=(--camera-bind "$subnet.2" --local-port 81 --web-port 81)
  fi
  ip netns exec "$cam" timeout $((timeout_s + 30)) "$responder" --subnet "$subnet.0/24" \
    --control-port 10001 --max-seconds "$timeout_s" "${camera_args[@]}" &
  responder_pid=$!
  sleep 0.3
  kill -0 "$responder_pid" 2>/dev/null || fail "the responder did not start"
  export QUILCAM_CONTROL="$subnet.2:10001"
  export QUILCAM_CAMERA="$subnet.2:81"
else
  [ "${camera:-0}" = 0 ] || fail "--camera needs a responder"
  export QUILCAM_CONTROL="" QUILCAM_CAMERA=""
fi
export LOOKOUT_NETNS="$pc"
program="$1"
shift
status=0
case "$program" in
  *.exe)
    # The architecture the caller's prefix uses (scripts/wine-prefix.sh exports it).
    source "$(dirname "${BASH_SOURCE[0]}")/wine-arch.sh"
    if arch=$(wine_arch_forced); then wine_arch_use "$arch"
    elif timeout 10 "$WINE32_LOADER" --version >/dev/null 2>&1; then wine_arch_use i686
    else wine_arch_use x86_64; fi
    wine_env=(env WINEPREFIX="$prefix" WINEARCH="$WINEARCH" WINEDEBUG="${LOOKOUT_WINEDEBUG:--all}"
              WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
              QUILCAM_CONTROL="$QUILCAM_CONTROL" QUILCAM_CAMERA="$QUILCAM_CAMERA"
              LOOKOUT_NETNS="$LOOKOUT_NETNS")
    [ -n "${WINELOADER:-}" ] && wine_env+=(WINELOADER="$WINELOADER")
    ip netns exec "$pc" "${wine_env[@]}" timeout 120 "$LOOKOUT_WINE" wineboot.exe -i >/dev/null 2>&1 \
      || fail "cannot make a Wine prefix inside $pc"
    source "$(dirname "${BASH_SOURCE[0]}")/wine-prefix-setup.sh"
    wine_prefix_setup "$work" ip netns exec "$pc" "${wine_env[@]}"
    # The program's error output also goes to a file it can read (Wine's traces land there).
    trace="$work/stderr.log"
    : > "$trace"
    ip netns exec "$pc" "${wine_env[@]}" LOOKOUT_TEST_STDERR="Z:${trace//\//\\}" \
      timeout "$timeout_s" "$LOOKOUT_WINE" "$program" "$@" 2> >(tee -a "$trace" >&2) || status=$?
    ;;
  *)
    ip netns exec "$pc" timeout "$timeout_s" "$program" "$@" || status=$?
    ;;
esac
elapsed=$(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
echo "netns-run.sh: $(basename "$program") exited with $status after $elapsed s" >&2
exit "$status"
