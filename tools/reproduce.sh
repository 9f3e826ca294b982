#!/usr/bin/env bash
# Builds the program again from a copy of these sources in another folder and
# compares it byte for byte with a given exe: the build is reproducible, and a
# released exe can be checked against its source.
#   tools/reproduce.sh x86|x64 EXE
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
copy=$(mktemp -d /tmp/dozewell-reproduce.XXXXXX)
trap 'rm -rf "$copy"' EXIT  # the folder mktemp just made for this copy, nothing else
tar -C "$root" --exclude=./build --exclude=./.git -cf - . | tar -C "$copy" -xf -
cmake --preset "$1" -S "$copy" -DDOZEWELL_TESTS=OFF >/dev/null
cmake --build "$copy/build/$1" --target DozewellTimer -j"$(nproc)" >/dev/null
if cmp "$copy/build/$1/DozewellTimer.exe" "$2"; then
  echo "reproduced: $2 ($(stat -c %s "$2") bytes)"
else
  echo "FAIL: a build in $copy differs from $2"
  exit 1
fi
