#!/usr/bin/env bash
# Runs CTest under the display that xvfb-run gives, in the prefix named by WINEPREFIX.
set -uo pipefail
build=$1
# Checked before Wine first starts there: the tests delete HKLM\SOFTWARE\Bethesda Softworks, in a
# player's prefix the game's own keys.
if [ -z "${WINEPREFIX:-}" ] || [ ! -f "$WINEPREFIX/talvessa-prefix" ]; then
  echo "run-tests: WINEPREFIX (${WINEPREFIX:-not set}) is not a prefix made by" \
    "tools/wine-prefix.sh; refusing to run the tests there" >&2
  exit 2
fi
wineserver -p
# Start Wine's own background processes now, with no pipe of CTest's to inherit: otherwise the
# first test keeps CTest's output pipe open through them and never seems to end.
"${WINELOADER:-wine}" cmd /c exit </dev/null >/dev/null 2>&1
ctest --test-dir "$build" --output-on-failure -j 2
status=$?
wineserver -k
exit $status
