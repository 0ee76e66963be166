#!/usr/bin/env bash
# Makes the download from a finished build: DIST_DIR/talvessa-<version>-win32.zip with the stripped
# executable, README.txt and LICENSE.txt; the same executable beside it; and SHA256SUMS for both,
# which `sha256sum -c SHA256SUMS` checks from DIST_DIR. Two checkouts of one commit give the same
# bytes: the build leaves no time or path in the executable, and the zip's times are the commit's.
# DIST_DIR may hold other files (it may be the checkout itself): only the three files made here are
# replaced, nothing else there is removed.
# Usage: tools/dist.sh BUILD_DIR DIST_DIR
set -euo pipefail
here=$(dirname "$(realpath "$0")")
root=$(dirname "$here")
build=$(realpath "$1")
dist=$(realpath -m "$2")
release=$build/release
version=$(cat "$release/VERSION")
zip=talvessa-$version-win32.zip
max_size=300000 # bytes: the download stays small

# The zip's date for a tree that is no git checkout (an unpacked `git archive`, a source zip) and
# is not given SOURCE_DATE_EPOCH: a constant, so that such a tree still gives the same bytes.
fixed_date='2026-12-01 00:00:00 UTC'

# A git checkout only when .git is here: in an unpacked tree, `git -C` would answer for whatever
# repository the tree happens to lie in.
checkout=
if command -v git >/dev/null && [ -e "$root/.git" ]; then
  checkout=yes
fi
if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
  from="SOURCE_DATE_EPOCH"
elif [ -n "$checkout" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct)
  from="the last commit's time"
else
  SOURCE_DATE_EPOCH=$(date -u -d "$fixed_date" +%s)
  from="the fixed date, as this tree is no git checkout"
fi
if ! [[ $SOURCE_DATE_EPOCH =~ ^[0-9]+$ ]]; then
  echo "dist: SOURCE_DATE_EPOCH must be seconds since 1970, not '$SOURCE_DATE_EPOCH'" >&2
  exit 1
fi
export SOURCE_DATE_EPOCH
echo "dist: the zip is dated $(date -u -d "@$SOURCE_DATE_EPOCH" '+%F %T UTC'), from $from"
if [ -n "$checkout" ] && [ -n "$(git -C "$root" status --porcelain --untracked-files=no)" ]; then
  echo "dist: the working tree has uncommitted changes; this download is not the last commit's" >&2
fi

# Removed first, so that a run that fails leaves no older file beside newer ones.
mkdir -p "$dist"
rm -f "$dist/$zip" "$dist/talvessa.exe" "$dist/SHA256SUMS"
# strip writes a time into the PE header, SOURCE_DATE_EPOCH's when it is set, the clock's when not:
# zero keeps the header as the linker left it, with no time at all.
SOURCE_DATE_EPOCH=0 i686-w64-mingw32-strip -o "$dist/talvessa.exe" "$build/talvessa.exe"
header=$(od -An -tu4 -j60 -N4 "$dist/talvessa.exe")
# The release is the 32-bit program: a build folder of the 64-bit test build is refused.
machine=$(od -An -tx2 -j$((header + 4)) -N2 "$dist/talvessa.exe")
if [ "$machine" != " 014c" ]; then
  echo "dist: $build/talvessa.exe is not a 32-bit (i386) executable (machine$machine)" >&2
  rm -f "$dist/talvessa.exe"
  exit 1
fi
stamp=$(od -An -tu4 -j$((header + 8)) -N4 "$dist/talvessa.exe")
if [ "$stamp" -ne 0 ]; then
  echo "dist: talvessa.exe carries a link time ($stamp) in its PE header" >&2
  exit 1
fi
size=$(stat -c %s "$dist/talvessa.exe")
if [ "$size" -gt "$max_size" ]; then
  echo "dist: talvessa.exe is $size bytes, more than $max_size" >&2
  exit 1
fi

python3 "$here/make-zip.py" "$dist/$zip" "talvessa.exe=$dist/talvessa.exe" \
  "README.txt=$release/README.txt" "LICENSE.txt=$release/LICENSE.txt"
(cd "$dist" && sha256sum "$zip" talvessa.exe >SHA256SUMS)

echo "dist: $dist/$zip (talvessa.exe: $size bytes)"
sed 's/^/  /' "$dist/SHA256SUMS"
