#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's own prefix, never in ~/.wine.
# The Makefile exports WINEPREFIX; refuse to fall back to the user's default prefix.
set -euo pipefail
if [ -z "${WINEPREFIX:-}" ] || [ "$WINEPREFIX" = "$HOME/.wine" ]; then
  echo "wine-run: WINEPREFIX must name the build's prefix (use 'make test' or 'make run')" >&2
  exit 2
fi
export WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$@"
