#!/usr/bin/env bash
# Makes the sample installation that `make run` shows where no game is installed: a Morrowind
# folder of our own at $1, registered in the prefix named by WINEPREFIX the way the game's
# installer registers itself, so that the program finds it through its ordinary start-up lookup.
set -euo pipefail
if [ -z "${WINEPREFIX:-}" ] || [ "$WINEPREFIX" = "$HOME/.wine" ]; then
  echo "sample-install: WINEPREFIX must name the build's run prefix" >&2
  exit 2
fi
# It overwrites the Morrowind key's "Installed Path": in a player's prefix, the game's own.
if [ ! -f "$WINEPREFIX/talvessa-prefix" ]; then
  echo "sample-install: $WINEPREFIX was not made by tools/wine-prefix.sh (no talvessa-prefix" \
    "in it); refusing to write the sample's key there" >&2
  exit 2
fi
root=$(realpath -m "$1")
data="$root/Data Files"

# Made once, so that a "Reorder" done in the sample lasts until `make clean`. The times interleave
# masters and plug-ins and follow neither the names nor the order of creation.
if [ ! -d "$data" ]; then
  mkdir -p "$data"
  base=$(date -u -d '2024-03-01 10:00:00' +%s)
  while IFS='|' read -r minutes name; do
    printf 'Talvessa sample data file: %s\r\n' "$name" >"$data/$name"
    touch -d "@$((base + minutes * 60))" "$data/$name"
  done <<'LIST'
0|Talvessa Sample.esm
10|Tidewater Inn.esp
20|Greymarsh Resources.esm
35|Harbour Ferries.esp
5|Quieter Lanterns.esp
50|Saltworks Hamlet.esp
15|Sample Readme.txt
LIST
fi

# Written every time: it must name this build folder, wherever it lives now. The game is a 32-bit
# program, so its key goes into the 32-bit view of HKLM\SOFTWARE: in a 64-bit prefix that is
# WOW6432Node, as on 64-bit Windows; a 32-bit prefix has only that view.
wine reg add 'HKLM\SOFTWARE\Bethesda Softworks\Morrowind' /v 'Installed Path' /t REG_SZ \
  /d "$(winepath -w "$root")" /f /reg:32 >/dev/null 2>&1
