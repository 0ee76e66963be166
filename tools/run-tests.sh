#!/usr/bin/env bash
# Runs CTest under the display that xvfb-run gives, in the prefix named by WINEPREFIX.
set -uo pipefail
build=$1
wineserver -p
# Start Wine's own background processes now, with no pipe of CTest's to inherit: otherwise the
# first test keeps CTest's output pipe open through them and never seems to end.
wine cmd /c exit </dev/null >/dev/null 2>&1
ctest --test-dir "$build" --output-on-failure -j 2
status=$?
wineserver -k
exit $status
