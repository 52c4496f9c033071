#!/usr/bin/env bash
# Sourced: makes a fresh private Wine prefix for this run and keeps its wineserver up.
# Sets WINEPREFIX; wine_prefix_cleanup ends the server and removes the prefix.
# Also starts a private X server (Xvfb) on a free display so windows can be shown.
# The prefix is 32-bit where this machine runs 32-bit programs, else 64-bit (wine64);
# LOOKOUT_WINE_ARCH=i686|x86_64 forces either. WINE_ARCH_REASON says why (scripts/wine-arch.sh
# sets LOOKOUT_WINE, LOOKOUT_WINDOWS_PRESET and the rest).
source "$(dirname "${BASH_SOURCE[0]}")/wine-arch.sh"

# The Windows form of a Unix path, through the prefix's own loader.
wine_path_w() {
  "$LOOKOUT_WINE" winepath.exe -w "$1" 2>/dev/null
}
WINE_RUN_DIR=$(mktemp -d /tmp/lookout-wine.XXXXXX)
WINE_XVFB_PID=
if command -v Xvfb >/dev/null 2>&1; then
  for n in $(seq 90 189); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    WINE_XVFB_PID=$!
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      kill -0 "$WINE_XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 "$WINE_XVFB_PID" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
      export DISPLAY=":$n"
      break
    fi
    WINE_XVFB_PID=
  done
fi
export WINEPREFIX="$WINE_RUN_DIR/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if WINE_ARCH_FORCED=$(wine_arch_forced); then
  wine_arch_use "$WINE_ARCH_FORCED"
  WINE_ARCH_REASON="forced by LOOKOUT_WINE_ARCH"
  LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 timeout 300 "$LOOKOUT_WINE" wineboot.exe -i >/dev/null 2>&1 \
    || { echo "wine-prefix.sh: wineboot failed for the forced $LOOKOUT_WINE_ARCH prefix" >&2; return 1; }
else
  wine_arch_use i686
  if wine_arch_runs_i686 "$WINE_RUN_DIR"; then
    WINE_ARCH_REASON="a 32-bit program runs under Wine here"
  else
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
    wine_arch_use x86_64
    WINE_ARCH_REASON="this machine cannot run 32-bit programs (a 32-bit probe failed)"
    LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 timeout 300 "$LOOKOUT_WINE" wineboot.exe -i >/dev/null 2>&1 \
      || { echo "wine-prefix.sh: wineboot failed for the 64-bit prefix" >&2; return 1; }
  fi
fi
unset WINE_ARCH_FORCED
source "$(dirname "${BASH_SOURCE[0]}")/wine-prefix-setup.sh"
wine_prefix_setup "$WINE_RUN_DIR" env LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8

wine_prefix_cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$WINE_XVFB_PID" ]; then
    kill "$WINE_XVFB_PID" 2>/dev/null || true
    wait "$WINE_XVFB_PID" 2>/dev/null || true
  fi
  rm -rf "$WINE_RUN_DIR"
}
