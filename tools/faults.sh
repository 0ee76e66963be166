#!/usr/bin/env bash
# Tests the tests: plants the faults of tools/faults.txt one at a time into a scratch copy of the
# checkout, rebuilds the test executable and runs it whole under Wine and Xvfb, in a fresh copy of
# a prefix of its own for every fault. A fault that no test notices is reported as missed; a row
# that cannot be planted (its text is not found exactly once, its file is not built into the test
# executable, or the fault does not compile) is an error of the table and fails the run. Missed
# faults do not: they point at a test still to be written, or at a fault this platform cannot show.
# Usage: tools/faults.sh [--x86_64] BUILD_DIR [LINE...]   (LINE: plant only the rows on these table
# lines; --x86_64: in the 64-bit build of the sources, run in a 64-bit prefix, for machines that
# cannot run 32-bit programs, with WINELOADER naming Wine's 64-bit loader)
# Everything happens in BUILD_DIR/faults, which keeps each fault's build and test output (logs/)
# and the verdicts with the tests that failed (results.tsv); the checkout itself is never changed.
set -euo pipefail

toolchain=mingw-i686 arch=win32 flavour=()
if [ "${1:-}" = --x86_64 ]; then
  toolchain=mingw-x86_64 arch=win64 flavour=(--x86_64)
  shift
fi
if [ $# -lt 1 ]; then
  echo "usage: tools/faults.sh [--x86_64] BUILD_DIR [LINE...]" >&2
  exit 2
fi

# One display for the whole run; the building needs none, but does no harm under one either.
if [ -z "${TALVESSA_FAULTS_DISPLAY:-}" ]; then
  TALVESSA_FAULTS_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" \
    "${flavour[@]}" "$@"
fi

here=$(dirname "$(realpath "$0")")
root=$(dirname "$here")
table=$here/faults.txt
work=$(realpath -m "$1")/faults
shift
only=" $* "
src=$work/src             # the scratch copy the faults are planted in
obj=$work/build           # its build folder
logs=$work/logs           # the build and test output of every fault, by table line
template=$work/prefix     # made once
prefix=$work/run-prefix   # copied afresh from the template for every run of the tests
original=$work/original   # the file being faulted, as it was
limit=${TALVESSA_FAULT_TIMEOUT:-90} # seconds for one run of the tests; the whole suite takes ~10
jobs=$(nproc)
started=$SECONDS

export WINEPREFIX=$prefix WINEARCH=$arch WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=${WINELOADER:-wine}
export TZ=Europe/Berlin

stop_wine() {
  if [ -d "$WINEPREFIX" ]; then
    wineserver -k >/dev/null 2>&1 || true
  fi
}
trap stop_wine EXIT

# The table: four fields separated by TABs; '#' starts a comment line. "⏎" in the two texts
# stands for a line break.
rows_line=() rows_file=() rows_find=() rows_replace=() rows_words=()
errors=()
table_error() { # line, file, what is wrong
  errors+=("line $1: $2: $3")
}

# How often a text occurs in a file, counted without overlaps as a substitution would find it.
occurrences() {
  perl -e 'my ($path, $find) = @ARGV;
           open my $in, "<", $path or die "$path: $!\n"; local $/; my $text = <$in>;
           my ($count, $at) = (0, 0);
           while (($at = index($text, $find, $at)) >= 0) { $count++; $at += length $find }
           print "$count\n"' -- "$1" "$2"
}

# Replaces the one occurrence of a text in a file.
plant() {
  perl -e 'my ($path, $find, $replace) = @ARGV;
           open my $in, "<", $path or die "$path: $!\n"; local $/; my $text = <$in>; close $in;
           my $at = index($text, $find); die "$path: text not found\n" if $at < 0;
           substr($text, $at, length $find) = $replace;
           open my $out, ">", $path or die "$path: $!\n"; print $out $text; close $out or die' \
    -- "$1" "$2" "$3"
}

echo "faults: copying the checkout's tracked files to $src"
rm -rf "$work"
mkdir -p "$src" "$logs"
git -C "$root" ls-files -z | tar -C "$root" --null -T - -cf - | tar -C "$src" -xf -
cd "$work" # whatever a step leaves in its working directory stays out of the checkout

lineno=0
while IFS= read -r line || [ -n "$line" ]; do
  lineno=$((lineno + 1))
  line=${line%$'\r'}
  [[ $line =~ ^[[:space:]]*$ || $line == '#'* ]] && continue
  tabs=${line//[!$'\t']/}
  if [ ${#tabs} -ne 3 ]; then
    table_error "$lineno" "${line%%$'\t'*}" "$((${#tabs} + 1)) fields, not 4 separated by TABs"
    continue
  fi
  file=${line%%$'\t'*} rest=${line#*$'\t'}
  find=${rest%%$'\t'*} rest=${rest#*$'\t'}
  replace=${rest%%$'\t'*} words=${rest#*$'\t'}
  find=${find//⏎/$'\n'} replace=${replace//⏎/$'\n'}
  case $file in
  tests/* | bench/*)
    table_error "$lineno" "$file" "faults go into the program, not its tests or benchmark"
    continue
    ;;
  esac
  if [ ! -f "$src/$file" ]; then
    table_error "$lineno" "$file" "no such tracked file"
    continue
  fi
  if [ -z "$find" ] || [ "$find" = "$replace" ]; then
    table_error "$lineno" "$file" "the text to find is empty or the same as its replacement"
    continue
  fi
  count=$(occurrences "$src/$file" "$find")
  if [ "$count" -ne 1 ]; then
    table_error "$lineno" "$file" "the text to find occurs $count times, not once"
    continue
  fi
  [[ $only != "  " && $only != *" $lineno "* ]] && continue
  rows_line+=("$lineno") rows_file+=("$file") rows_find+=("$find")
  rows_replace+=("$replace") rows_words+=("$words")
done <"$table"
total=${#rows_line[@]}
for error in "${errors[@]}"; do
  echo "faults: table error, $error" >&2
done

echo "faults: building the unfaulted copy"
if ! { cmake -S "$src" -B "$obj" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/$toolchain.cmake" \
         -DCMAKE_BUILD_TYPE=Release &&
       cmake --build "$obj" --target talvessa_tests -j "$jobs"; } >"$logs/baseline.build" 2>&1; then
  tail -n 30 "$logs/baseline.build" >&2
  echo "faults: the unfaulted copy does not build (log: $logs/baseline.build)" >&2
  exit 2
fi
executable=$obj/tests/talvessa_tests.exe

# Whether a file goes into the test executable: its path appears in the dependencies that the
# build recorded for the executable's targets (app/main.cpp, for one, does not).
built_into_tests() {
  grep -rqF "$src/$1" "$obj/CMakeFiles/talvessa_core.dir" "$obj/tests/CMakeFiles/talvessa_tests.dir"
}

echo "faults: making the Wine prefix the runs start from"
"$here/wine-prefix.sh" "$template" --tests

# Runs the whole test executable once, from a folder of its own in a fresh copy of the template
# prefix, so that nothing an earlier run left (a registry key, a settings file beside the
# executable, a temporary folder) is seen. Sets verdict (caught or missed), note (why caught) and
# failing (the tests that failed).
run_tests() {
  local log=$1 status=0 failed last
  failing=""
  stop_wine
  rm -rf "$prefix"
  cp -a "$template" "$prefix"
  mkdir -p "$prefix/drive_c/faults"
  cp "$executable" "$prefix/drive_c/faults/"
  # Wine's background processes start now, so that the time limit measures the tests alone.
  "$wine" cmd /c exit </dev/null >/dev/null 2>&1 || true
  (cd "$prefix/drive_c/faults" && timeout -k 10 "$limit" "$wine" talvessa_tests.exe) \
    </dev/null >"$log" 2>&1 || status=$?
  stop_wine
  failing=$(sed -n 's/^\[  FAILED  \] \([A-Za-z0-9_]*\.[A-Za-z0-9_]*\).*/\1/p' "$log" | sort -u |
            paste -sd ' ' -)
  failed=$(awk '{ printf "%s%s", $1, (NF > 1 ? " (+" NF - 1 " more)" : "") }' <<<"$failing")
  last=$(sed -n 's/^\[ RUN      \] \([A-Za-z0-9_.]*\).*/\1/p' "$log" | tail -n 1)
  verdict=caught
  if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
    note="hung: no end within $limit s${last:+, in $last}"
  elif [ -n "$failed" ]; then
    note="failed: $failed"
  elif [ "$status" -ne 0 ]; then
    note="crashed: exit status $status${last:+, in $last}"
  elif ! grep -q '^\[  PASSED  \] ' "$log"; then
    note="ended early without the tests' summary${last:+, in $last}"
  else
    verdict=missed note=""
  fi
}

echo "faults: running the tests on the unfaulted copy"
run_tests "$logs/baseline.log"
if [ "$verdict" != missed ]; then
  tail -n 30 "$logs/baseline.log" >&2
  echo "faults: the tests fail without a fault ($note); nothing can be learnt from the faults" >&2
  exit 2
fi
echo "faults: the baseline passes ($((SECONDS - started)) s so far); planting $total faults"

caught=0 run=0
for index in "${!rows_line[@]}"; do
  lineno=${rows_line[$index]} file=${rows_file[$index]} words=${rows_words[$index]}
  log=$logs/$(printf 'line-%03d' "$lineno")
  progress=$(printf '[%2d/%d]' $((index + 1)) "$total")
  if ! built_into_tests "$file"; then
    table_error "$lineno" "$file" "the file is not built into the test executable"
    printf '%s %-6s %s: %s\n' "$progress" error "$file" "$words"
    continue
  fi
  cp "$src/$file" "$original"
  plant "$src/$file" "${rows_find[$index]}" "${rows_replace[$index]}"
  if ! cmake --build "$obj" --target talvessa_tests -j "$jobs" >"$log.build" 2>&1; then
    table_error "$lineno" "$file" "the fault does not compile (log: $log.build)"
    printf '%s %-6s %s: %s\n' "$progress" error "$file" "$words"
  else
    run_tests "$log.log"
    run=$((run + 1))
    [ "$verdict" = caught ] && caught=$((caught + 1))
    printf '%s %-6s %s: %s%s\n' "$progress" "$verdict" "$file" "$words" "${note:+ [$note]}"
    printf '%s\t%s\t%s\t%s\t%s\n' "$lineno" "$verdict" "$file" "$words" "${failing:-$note}" \
      >>"$work/results.tsv"
  fi
  # A plain copy: the restored file is newer than its object, so the next build recompiles it.
  cp "$original" "$src/$file"
done

if [ ${#errors[@]} -gt 0 ]; then
  echo "table errors: ${#errors[@]}"
  printf '  %s\n' "${errors[@]}"
fi
echo "run time: $(((SECONDS - started) / 60)) min $(((SECONDS - started) % 60)) s; logs in $logs"
echo "caught $caught of $run"
[ ${#errors[@]} -eq 0 ]
