#!/usr/bin/env bash
# Sourced: makes a fresh private Wine prefix for this run and keeps its wineserver up.
# Sets WINEPREFIX; wine_prefix_cleanup ends the server and removes the prefix.
# Also starts a private X server (Xvfb) on a free display so windows can be shown.
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
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 wineboot -i >/dev/null 2>&1
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
