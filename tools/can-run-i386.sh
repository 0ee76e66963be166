#!/usr/bin/env bash
# Whether this machine can run 32-bit x86 programs, which the 32-bit talvessa.exe needs: Wine runs
# it with its 32-bit loader, in a 32-bit and a WoW64 prefix alike. Found out by running one (the
# i386 dynamic loader, which Wine's 32-bit loader needs anyway), never from the kernel's name:
# hypervisors without a 32-bit user mode, kernels booted with ia32_emulation=0 and some sandboxes
# refuse every i386 executable. TALVESSA_NO_I386=1 answers no on any machine, so that the way
# such machines take can be tried anywhere.
# Usage: tools/can-run-i386.sh COMMAND INSTEAD
# Exits 0, silently, where 32-bit programs run. Elsewhere exits 1 after one line that says so, for
# COMMAND ("make test"), naming the cause and then INSTEAD: what was not run, and what runs.
set -uo pipefail
loader=/lib/ld-linux.so.2
if [ "${TALVESSA_NO_I386:-}" = 1 ]; then
  cause="TALVESSA_NO_I386=1 is set"
elif [ ! -e "$loader" ]; then
  cause="there is no i386 loader, $loader"
elif output=$("$loader" --version 2>&1); then
  exit 0
elif [[ $output == *"Exec format error"* ]]; then
  cause="the kernel refuses i386 executables"
else
  cause="$loader --version failed: $(head -n 1 <<<"$output")"
fi
echo "${1:-make}: this machine cannot run 32-bit programs ($cause); ${2:-the 64-bit build runs}"
exit 1
