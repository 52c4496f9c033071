#!/usr/bin/env bash
# Runs one Windows program under Wine, in the private prefix that scripts/wine-prefix.sh made
# (through the loader it chose: 32-bit Wine or wine64), with the Chinese system locale
# (ANSI code page 936) the suite's users have.
set -euo pipefail
if [ -z "${WINEPREFIX:-}" ]; then
  echo "wine-run.sh: WINEPREFIX is not set; run the tests through scripts/test.sh" >&2
  exit 2
fi
case "$WINEPREFIX" in "$HOME/.wine"|"$HOME/.wine/") echo "wine-run.sh: refusing ~/.wine" >&2; exit 2;; esac
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
loader=${LOOKOUT_WINE:-/usr/lib/wine/wine}
exec env LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 "$loader" "$@"
