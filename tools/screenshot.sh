#!/usr/bin/env bash
# Takes the README's picture: the real program on the sample installation, under a private Xvfb.
# Usage: tools/screenshot.sh BUILD_DIR OUTPUT_PNG [32|64] (with WINEPREFIX naming the run prefix;
# 64 for the 64-bit build, started with the loader WINELOADER names).
set -euo pipefail
build=$(realpath "$1")
out=$(realpath -m "$2")
here=$(dirname "$(realpath "$0")")
"$here/sample-install.sh" "$build/sample/Morrowind" "${3:-32}"
# Wine's background processes started by that outlive it, and would hold the program to a session
# without a display: let them end first.
wineserver -w
# A folder of its own as the working directory: no settings file there, so the start-up finds the
# sample through the registry, as on a first run.
work="$build/screenshot"
rm -rf "$work" && mkdir -p "$work"
cd "$work"
xvfb-run -a -s "-screen 0 1000x420x24" bash -c '
  "${WINELOADER:-wine}" "$1/talvessa.exe" &
  # Wait until the window is on the screen (not all black), then let it settle before the picture.
  for i in $(seq 60); do
    sleep 1
    import -window root "$2/root.png"
    [ "$(/usr/bin/convert "$2/root.png" -format "%[mean]" info:)" != 0 ] && break
  done
  sleep 3
  import -window root "$2/root.png"
  wineserver -k || true  # ends the program; its status says nothing of the picture
' screenshot "$build" "$work"
# The window on a black screen: cut the black away.
/usr/bin/convert "$work/root.png" -trim +repage "$out"
echo "screenshot: $out"
