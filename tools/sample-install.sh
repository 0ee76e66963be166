#!/usr/bin/env bash
# Makes the sample installation that `make run` shows where no game is installed: a Morrowind
# folder of our own at $1, registered in the prefix named by WINEPREFIX the way the game's
# installer registers itself, so that the program finds it through its ordinary start-up lookup.
# $2 is the registry view the program reads: 32 (the default) for the 32-bit talvessa.exe, 64 for
# the 64-bit build that stands in for it where 32-bit programs cannot run. WINELOADER, when set,
# is the Wine loader to start, as for tools/wine-prefix.sh.
# Usage: tools/sample-install.sh FOLDER [32|64]
set -euo pipefail
view=${2:-32}
case $view in
  32 | 64) ;;
  *) echo "sample-install: the registry view must be 32 or 64, not '$view'" >&2; exit 2 ;;
esac
wine=${WINELOADER:-wine}
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

# Made once, so that a "Reorder" done in the sample lasts until `make clean`; made beside its place
# and moved there whole, so that a run cut short leaves no half-made sample to be kept. The times
# interleave masters and plug-ins and follow neither the names nor the order of creation.
if [ ! -d "$data" ]; then
  rm -rf "$data.new"
  mkdir -p "$data.new"
  # Each master and plug-in is a Morrowind header record and nothing more, written byte by byte:
  # TES3, its data size, a word unused, flags; HEDR (version 1.3, file type 1 for a master and 0
  # for a plug-in, author, description, record count); a MAST and DATA pair per master, DATA
  # holding the master's size. Every master a file names loads before it by the times below, so
  # the sample shows no warning.
  python3 - "$data.new" <<'PYTHON'
import struct
import sys

def subrecord(kind, data):
    return kind + struct.pack("<I", len(data)) + data

def field(text, width):
    return text.encode("ascii").ljust(width, b"\0")

# Masters before the files that name them, whose DATA needs their size.
files = [
    ("Talvessa Sample.esm", []),
    ("Greymarsh Resources.esm", ["Talvessa Sample.esm"]),
    ("Quieter Lanterns.esp", ["Talvessa Sample.esm"]),
    ("Tidewater Inn.esp", ["Talvessa Sample.esm", "Greymarsh Resources.esm"]),
    ("Harbour Ferries.esp", ["Greymarsh Resources.esm"]),
    ("Saltworks Hamlet.esp",
     ["Talvessa Sample.esm", "Greymarsh Resources.esm", "Harbour Ferries.esp"]),
]
sizes = {}
for name, masters in files:
    data = subrecord(b"HEDR", struct.pack("<fI", 1.3, name.endswith(".esm")) +
                     field("Talvessa", 32) + field("Talvessa sample data file: " + name, 256) +
                     struct.pack("<I", 0))
    for master in masters:
        data += subrecord(b"MAST", master.encode("ascii") + b"\0")
        data += subrecord(b"DATA", struct.pack("<Q", sizes[master]))
    record = b"TES3" + struct.pack("<III", len(data), 0, 0) + data
    with open(sys.argv[1] + "/" + name, "wb") as out:
        out.write(record)
    sizes[name] = len(record)
PYTHON
  # A file that is neither master nor plug-in, which the program must leave out.
  printf 'Talvessa sample data file: Sample Readme.txt\r\n' >"$data.new/Sample Readme.txt"
  base=$(date -u -d '2024-03-01 10:00:00' +%s)
  while IFS='|' read -r minutes name; do
    touch -d "@$((base + minutes * 60))" "$data.new/$name"
  done <<'LIST'
0|Talvessa Sample.esm
10|Tidewater Inn.esp
20|Greymarsh Resources.esm
35|Harbour Ferries.esp
5|Quieter Lanterns.esp
50|Saltworks Hamlet.esp
15|Sample Readme.txt
LIST
  mv "$data.new" "$data"
fi

# Written every time: it must name this build folder, wherever it lives now. The game is a 32-bit
# program, so its key goes into the 32-bit view of HKLM\SOFTWARE: in a 64-bit prefix that is
# WOW6432Node, as on 64-bit Windows; a 32-bit prefix has only that view. A 64-bit program reads
# the 64-bit view, so for the 64-bit build the key goes there.
"$wine" reg add 'HKLM\SOFTWARE\Bethesda Softworks\Morrowind' /v 'Installed Path' /t REG_SZ \
  /d "$("$wine" winepath -w "$root" 2>/dev/null)" /f "/reg:$view" >/dev/null
