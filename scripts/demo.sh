#!/usr/bin/env bash
# The end-to-end demo, three roads. First: a stand-in rendezvous server, a camera published
# through Lantern.dll by a stand-in host program, and a stand-in viewer that watches it for a
# few seconds. Second: the stand-in quil IP camera streams, Mirage.ax is registered with a
# "DoderadIrava.ini" that names it, and a webcam program opens its video input device by the
# camera string and saves a few frames. Everything runs on 127.0.0.1 (Wine for the Windows
# programs); results land in build/demo/. Then Lookout.exe runs against the stand-in web
# platform and rendezvous server, inside a loopback-only network namespace (its main window
# starts the LAN camera search): it publishes the test webcam, a stand-in viewer watches it,
# and the demo logs in and binds the camera through its pages.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/install-packages.sh

# The Wine this machine runs decides the build: 32-bit where it can, else 64-bit.
source scripts/wine-prefix.sh
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  wine_prefix_cleanup
}
trap cleanup EXIT
echo "demo: $LOOKOUT_WINE_ARCH build ($WINE_ARCH_REASON)"

bash deps/build-deps.sh "$LOOKOUT_WINE_ARCH"
cmake --preset "$LOOKOUT_WINDOWS_PRESET" >/dev/null
cmake --build --preset "$LOOKOUT_WINDOWS_PRESET" -j "$(nproc)" --target Lantern Tremor TestCam lookout_host rendezvous_standin viewer_standin \
  lookout_demo KvUsbCameraFilter Mirage Rookery NetClient webcam_capture quilcam_responder_native

bin="$root/build/$LOOKOUT_WINDOWS_PRESET"
out="$root/build/demo"
rm -rf "$out"
mkdir -p "$out/frames" "$out/host/log"
cp "$bin/camserver/Lantern.dll" "$bin/motion/Tremor.dll" "$bin/standins/lookout_host/lookout_host.exe" \
   "$bin/standins/testcam/TestCam.ax" "$out/host/"

# Wine has no webcam: the stand-in test camera takes its place.
( cd "$out/host" && "$root/scripts/wine-run.sh" regsvr32 /s TestCam.ax )
# Its moving-bar scene, so that consecutive frames differ.
scripts/wine-run.sh reg add 'HKCU\Software\Lookout\TestCamera' /v Scene /t REG_DWORD /d 2 /f >/dev/null

port=$(( 20000 + RANDOM % 20000 ))
camera="{5E1A7C00-0D3E-4F00-8A11-00000000DE30}"
seconds=${DEMO_SECONDS:-6}

scripts/wine-run.sh "$bin/standins/rendezvous_standin.exe" --port "$port" --seconds $((seconds + 30)) \
  >"$out/server.txt" 2>&1 &
pids+=($!)
( cd "$out/host" && exec "$root/scripts/wine-run.sh" ./lookout_host.exe --server "127.0.0.1:$port" \
    --name "$camera" --type 2 --device-name "Lookout Test Camera" --local-address 127.0.0.1 \
    --seconds $((seconds + 20)) ) \
  >"$out/host.txt" 2>&1 &
pids+=($!)

# The camera registers on its first housekeeping pass, 2.5 s after it starts.
for _ in $(seq 1 150); do
  grep -q '^status 1' "$out/host.txt" 2>/dev/null && break
  sleep 0.1
done
if ! grep -q '^status 1' "$out/host.txt"; then
  echo "demo: the camera did not register" >&2
  cat "$out/host.txt" "$out/server.txt" >&2
  exit 1
fi

scripts/wine-run.sh "$bin/standins/viewer_standin.exe" --server "127.0.0.1:$port" --camera "$camera" \
  --seconds "$seconds" --out "$(wine_path_w "$out/frames" || echo "$out/frames")" \
  >"$out/viewer.txt" 2>&1 || true

summary=$(grep -E '^frames=' "$out/viewer.txt" | tail -n 1 || true)
cp "$out/host/log/Lantern.txt" "$out/lantern-log.txt" 2>/dev/null || true
echo "demo: camera $camera registered; viewer: ${summary:-no summary (see $out/viewer.txt)}"
echo "demo: frames in $out/frames, logs in $out"

# Second road: an IP camera as a webcam. The stand-in quil camera runs natively on loopback.
web="$out/webcam"
mkdir -p "$web/frames"
cp "$bin/vdevice/Mirage.ax" "$bin/camshare/Rookery.dll" "$bin/standins/netclient/NetClient.dll" \
   "$bin/standins/webcam_app/webcam_capture.exe" "$web/"
cam_port=$(( 20000 + RANDOM % 20000 ))
"$bin/standins/quilcam/quilcam_responder" --camera-bind 127.0.0.1 --local-port "$cam_port" \
  --web-port "$cam_port" --control-port $((cam_port + 1)) --max-seconds 90 >"$out/quilcam.txt" 2>&1 &
pids+=($!)
for _ in $(seq 1 50); do
  grep -q 'camera on ports' "$out/quilcam.txt" 2>/dev/null && break
  sleep 0.1
done
if ! grep -q 'camera on ports' "$out/quilcam.txt"; then
  echo "demo: the stand-in quil camera did not start" >&2
  cat "$out/quilcam.txt" >&2
  exit 1
fi
# Rookery reads the camera list beside itself; Mirage makes one device per camera.
printf '%s\r\n' '[system]' 'CameraNumber=1' 'CameraIDList=0000#' '[Camera0]' 'sername=demo' \
  'url=127.0.0.1' 'cameratype=quil' 'username=admin' 'userpassword=123456' "webport=$cam_port" \
  >"$web/DoderadIrava.ini"
device="Devicequil@127.0.0.1@demo"
if ! ( cd "$web" && "$root/scripts/wine-run.sh" regsvr32 /s Mirage.ax ) >"$out/regsvr32.txt" 2>&1; then
  echo "demo: Mirage.ax did not register (see $out/regsvr32.txt)" >&2
  exit 1
fi
( cd "$web" && "$root/scripts/wine-run.sh" ./webcam_capture.exe --device "$device" --frames 75 \
    --seconds 20 --save 3 --out "$(wine_path_w "$web/frames" || echo "$web/frames")" ) \
  >"$out/webcam.txt" 2>&1 || true
( cd "$web" && "$root/scripts/wine-run.sh" regsvr32 /s /u Mirage.ax ) >>"$out/regsvr32.txt" 2>&1 || true
webcam=$(grep -E '^frames=' "$out/webcam.txt" | tail -n 1 || true)
echo "demo: webcam program on $device through Mirage: ${webcam:-no summary (see $out/webcam.txt)}"
echo "demo: its frames in $web/frames"

# Last, the main job: Lookout.exe itself, inside a loopback-only network namespace with its
# stand-ins (web platform, rendezvous server, viewer), the test webcam and the filter-driver
# stand-in, on Wine's virtual desktop. Screenshots land in build/demo/lookout/; the last
# line is the summary (frames the viewer received, pages reached).
mkdir -p "$out/lookout"
winpath() { echo "Z:${1//\//\\}"; }
bash scripts/netns-run.sh --loopback-only --timeout 360 -- "$bin/service/lookout_demo.exe" \
  "$(winpath "$out/lookout")" "$(winpath "$bin/standins/viewer_standin.exe")" 2>/dev/null

