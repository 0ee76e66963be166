#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's own prefix, never in ~/.wine.
# The Makefile exports WINEPREFIX; refuse to fall back to the user's default prefix.
set -euo pipefail
if [ -z "${WINEPREFIX:-}" ] || [ "$WINEPREFIX" = "$HOME/.wine" ]; then
  echo "wine-run: WINEPREFIX must name the build's prefix (use 'make test' or 'make run')" >&2
  exit 2
fi
# The tests delete HKLM\SOFTWARE\Bethesda Softworks: in a player's prefix, the game's own keys.
if [ ! -f "$WINEPREFIX/talvessa-prefix" ]; then
  echo "wine-run: $WINEPREFIX was not made by tools/wine-prefix.sh (no talvessa-prefix in it);" \
    "refusing to run there" >&2
  exit 2
fi
# The prefix's architecture is the one it was made with: a WINEARCH that differs from it makes Wine
# refuse to start, so none is forced here.
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
exec "${WINELOADER:-wine}" "$@"
