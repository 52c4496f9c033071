#!/usr/bin/env bash
# Sourced: makes a fresh private Wine prefix for this run and keeps its wineserver up.
# Sets WINEPREFIX; wine_prefix_cleanup ends the server and removes the prefix.
WINE_RUN_DIR=$(mktemp -d /tmp/lookout-wine.XXXXXX)
export WINEPREFIX="$WINE_RUN_DIR/prefix"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 wineboot -i >/dev/null 2>&1
wineserver -p >/dev/null 2>&1 || true

wine_prefix_cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINE_RUN_DIR"
}
