#!/usr/bin/env bash
# Sourced: wine_prefix_setup WORKDIR [COMMAND PREFIX...] finishes a freshly booted prefix (the
# Chinese faces the programs ask for, a persistent wineserver, the system processes started
# detached). Each Wine call runs behind the command prefix, e.g. "ip netns exec NS env ...".
wine_prefix_setup() {
  local work="$1"
  shift
  local run=("$@")
  # Chinese faces the programs ask for, drawn with WenQuanYi (fonts-wqy-zenhei).
  printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
    '"宋体"="WenQuanYi Zen Hei Sharp"' '"新宋体"="WenQuanYi Zen Hei Sharp"' \
    '"SimSun"="WenQuanYi Zen Hei Sharp"' '"NSimSun"="WenQuanYi Zen Hei Sharp"' \
    '"幼圆"="WenQuanYi Zen Hei"' '"YouYuan"="WenQuanYi Zen Hei"' '"黑体"="WenQuanYi Zen Hei"' \
    '"SimHei"="WenQuanYi Zen Hei"' '"微软雅黑"="WenQuanYi Zen Hei"' '"Microsoft YaHei"="WenQuanYi Zen Hei"' \
    | { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } > "$work/fonts.reg"
  local reg="Z:${work//\//\\}\\fonts.reg"
  "${run[@]}" "${LOOKOUT_WINE:-wine}" regedit.exe /S "$reg" >/dev/null 2>&1 || true
  # The server wineboot started is not persistent and leaves a second service manager behind,
  # so windowed programs wait 14 s for an RPC service that never starts: start over persistent.
  "${run[@]}" wineserver -k >/dev/null 2>&1 || true
  "${run[@]}" wineserver -w >/dev/null 2>&1 || true
  "${run[@]}" wineserver -p >/dev/null 2>&1 || true
  # The system processes start with the first program and inherit its output: start them here,
  # or a test runner waiting for a program's output would wait for them too.
  "${run[@]}" "${LOOKOUT_WINE:-wine}" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
}
