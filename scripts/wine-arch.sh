#!/usr/bin/env bash
# Sourced: which Windows architecture this machine's Wine can run, and how to reach it.
# Some machines of this kind refuse every 32-bit program (IA-32 emulation off in the
# kernel): there only wine64 with the x86_64 build works.
#
#   LOOKOUT_WINE_ARCH=i686|x86_64   forces the choice (either path can be tried anywhere)
#
# wine_arch_use ARCH sets and exports:
#   LOOKOUT_WINE_ARCH       i686 | x86_64
#   LOOKOUT_WINE            the Wine loader to run programs with (called by name: /usr/bin/wine
#                           picks the 32-bit loader whenever it is installed, even where the
#                           kernel refuses it)
#   LOOKOUT_WINDOWS_PRESET  the CMake preset whose binaries that Wine runs
#   WINEARCH                win32 | win64, for a new prefix

WINE32_LOADER=/usr/lib/wine/wine
WINE64_LOADER=/usr/lib/wine/wine64

wine_arch_use() { # i686 | x86_64
  case "$1" in
    i686)
      export LOOKOUT_WINE_ARCH=i686 LOOKOUT_WINE=$WINE32_LOADER LOOKOUT_WINDOWS_PRESET=windows WINEARCH=win32
      unset WINELOADER
      ;;
    x86_64)
      export LOOKOUT_WINE_ARCH=x86_64 LOOKOUT_WINE=$WINE64_LOADER LOOKOUT_WINDOWS_PRESET=windows64 WINEARCH=win64
      # Programs started by Wine programs (regsvr32, services) use the same loader.
      export WINELOADER=$WINE64_LOADER
      ;;
    *)
      echo "wine-arch.sh: unknown architecture '$1' (i686 or x86_64)" >&2
      return 2
      ;;
  esac
}

# The architecture asked for in the environment, if any.
wine_arch_forced() {
  case "${LOOKOUT_WINE_ARCH:-}" in
    "") return 1 ;;
    i686|x86_64) echo "$LOOKOUT_WINE_ARCH" ;;
    *) echo "wine-arch.sh: LOOKOUT_WINE_ARCH must be i686 or x86_64, not '$LOOKOUT_WINE_ARCH'" >&2; exit 2 ;;
  esac
}

# Builds a tiny 32-bit Windows program into DIR that exits with 42; prints its path.
wine_arch_probe_program() { # dir
  printf 'int main(void) { return 42; }\n' > "$1/arch_probe.c"
  i686-w64-mingw32-gcc-posix -O0 -o "$1/arch_probe.exe" "$1/arch_probe.c" 2>/dev/null || return 1
  echo "$1/arch_probe.exe"
}

# True when a 32-bit Windows program runs in the current WINEPREFIX (made with win32) within
# a short time limit. Emulated 32-bit user space (qemu through binfmt) hangs instead of
# failing, hence the limits.
wine_arch_runs_i686() { # scratch-dir
  local probe
  [ -x "$WINE32_LOADER" ] || return 1
  timeout 10 "$WINE32_LOADER" --version >/dev/null 2>&1 || return 1
  probe=$(wine_arch_probe_program "$1") || return 1
  timeout 90 env LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 "$WINE32_LOADER" wineboot.exe -i >/dev/null 2>&1 \
    || return 1
  local rc=0
  timeout 30 "$WINE32_LOADER" "$probe" >/dev/null 2>&1 || rc=$?
  [ "$rc" = 42 ]
}
