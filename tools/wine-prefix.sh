#!/usr/bin/env bash
# Makes a private 32-bit Wine prefix at $1 (if it is not there yet) that never waits for a click:
# no Mono or Gecko install prompt, no crash dialog. With --unmanaged (the tests' prefix), windows
# are not left to a window manager: under a bare Xvfb, Wine would wait two seconds for one at every
# window it shows.
set -euo pipefail
prefix=$1
unmanaged=${2:-}
export WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  if [ "$unmanaged" = --unmanaged ]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  fi
  wineserver -w
fi
