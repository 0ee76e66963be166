#!/usr/bin/env bash
# Runs CTest under the display that xvfb-run gives, in the prefix named by WINEPREFIX; then the
# tests that measure message boxes again on a smaller screen of their own.
set -uo pipefail
build=$1
boxes=${2:-}
# Checked before Wine first starts there: the tests delete HKLM\SOFTWARE\Bethesda Softworks, in a
# player's prefix the game's own keys.
if [ -z "${WINEPREFIX:-}" ] || [ ! -f "$WINEPREFIX/talvessa-prefix" ]; then
  echo "run-tests: WINEPREFIX (${WINEPREFIX:-not set}) is not a prefix made by" \
    "tools/wine-prefix.sh; refusing to run the tests there" >&2
  exit 2
fi
# Runs CTest with its arguments on the display that DISPLAY names.
run_ctest() {
  wineserver -p
  # Start Wine's own background processes now, with no pipe of CTest's to inherit: otherwise the
  # first test keeps CTest's output pipe open through them and never seems to end.
  "${WINELOADER:-wine}" cmd /c exit </dev/null >/dev/null 2>&1
  ctest --test-dir "$build" --output-on-failure "$@"
  local status=$?
  wineserver -k
  wineserver -w
  return $status
}
# The tests that measure message boxes run again on a 1,024 x 768 screen, where a box that fits a
# larger one may not: this script again, under a display of that size (Wine takes the screen's
# size from the display its processes start on), with the argument --boxes.
if [ "$boxes" = --boxes ]; then
  run_ctest -R InABoxThatFits
  exit $?
fi
status=0
run_ctest -j 2 || status=1
echo "run-tests: the tests that measure message boxes again, on a 1024x768 screen"
xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build" --boxes || status=1
exit $status
