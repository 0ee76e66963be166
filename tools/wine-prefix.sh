#!/usr/bin/env bash
# Makes a private Wine prefix at $1 (if it is not there yet) that never waits for a click: no Mono
# or Gecko install prompt, no crash dialog. WINEARCH chooses its architecture: win32 (the default)
# for a plain 32-bit prefix, win64 for a 64-bit one that reports Windows 10 and runs the 32-bit
# program as 64-bit Windows does (WoW64). WINELOADER, when set, is the Wine loader started (Wine's
# 64-bit one on a machine that cannot run 32-bit programs); else Debian's wine command, which
# starts the 32-bit loader wherever it is installed. With --unmanaged (the tests' prefixes),
# windows are not left to a window manager: under a bare Xvfb, Wine would wait two seconds for one
# at every window it shows. With --tests (the suite's prefixes), unmanaged too, and text files open
# with a command that writes the name of the file it was given to C:\opened.txt, where the
# export's test reads it.
# Every prefix made here holds the file talvessa-prefix: the tests delete and write the game's
# registry keys, so tools/wine-run.sh, tools/run-tests.sh and tools/sample-install.sh run only
# where it is, never in a player's own prefix. An existing prefix without it is refused here too,
# not adopted.
set -euo pipefail
prefix=$1
marker=$prefix/talvessa-prefix
unmanaged=${2:-}
arch=${WINEARCH:-win32}
wine=${WINELOADER:-wine}
case $arch in
  win32 | win64) ;;
  *) echo "wine-prefix: WINEARCH must be win32 or win64, not '$arch'" >&2; exit 2 ;;
esac
export WINEPREFIX=$prefix WINEARCH=$arch WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# Runs one step of the making with Wine's chatter kept aside; when the step fails, says which and
# shows the last lines it printed, then stops.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
step() {
  local status=0
  "$@" >"$log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    echo "wine-prefix: making $prefix ($arch): '$*' failed with status $status; its last lines:" >&2
    tail -n 15 "$log" | sed 's/^/  /' >&2
    exit 1
  fi
}

if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  step "$wine" wineboot -i
  if [ "$arch" = win64 ]; then
    step "$wine" winecfg -v win10
  fi
  step "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
  if [ "$unmanaged" = --unmanaged ] || [ "$unmanaged" = --tests ]; then
    step "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
  fi
  if [ "$unmanaged" = --tests ]; then
    step "$wine" reg add 'HKCR\.txt' /ve /d TalvessaTests.txt /f
    step "$wine" reg add 'HKCR\TalvessaTests.txt\shell\open\command' /ve \
      /d 'cmd /c echo %1>C:\opened.txt' /f
  fi
  step wineserver -w
  # Written last: a prefix whose making was cut short has none, and is refused the next time.
  printf '%s\n' "Made by Talvessa's tools/wine-prefix.sh for its tests and runs, which delete and" \
    "write the game's registry keys here; the scripts that run its tests or write its sample" \
    "refuse any prefix without this file." >"$marker"
elif [ ! -f "$marker" ]; then
  echo "wine-prefix: $prefix was not made by this script; remove it to have it made again" >&2
  exit 2
elif ! grep -qx "#arch=$arch" "$prefix/system.reg"; then
  echo "wine-prefix: $prefix is not a $arch prefix; remove it to have it made again" >&2
  exit 1
fi
