#!/usr/bin/env bash
# Installs what the build, the tests and `make run` need on a fresh Debian 12 machine; with the
# argument fuzz, what `make fuzz` needs instead (clang with its sanitizer and libFuzzer runtimes).
# Idempotent, and silent when everything is already there. Must run as root (apt).
set -euo pipefail

if [ "${1:-}" = fuzz ]; then
  packages=(clang libclang-rt-14-dev)
else
  # wine64 runs the 64-bit (WoW64) prefixes of `make test` and `make run64`, and the 64-bit build
  # that the x86_64 compiler makes for machines that cannot run 32-bit programs; python3 packs the
  # download; git dates it and lists the files `make faults` copies.
  packages=(cmake make g++-mingw-w64-i686-posix binutils-mingw-w64-i686
            g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 googletest
            wine wine32:i386 wine64 xvfb xauth imagemagick clang-format python3 git)
fi

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
for pkg in "${packages[@]}"; do
  have "$pkg" || need+=("$pkg")
done
[ ${#need[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "bootstrap: missing packages (${need[*]}); run as root to install them" >&2
  exit 1
fi

echo "bootstrap: installing ${need[*]}"
export DEBIAN_FRONTEND=noninteractive
if [[ " ${need[*]}" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
