#!/usr/bin/env bash
# Installs what building, running and testing need on Debian (as root), and
# nothing when it is all there already. 32-bit Wine only where the host can
# run 32-bit code at all.
set -euo pipefail
here=$(dirname "$0")

# Each for something here: CMake and the make its default generator runs; the
# MinGW-w64 compilers; GoogleTest's sources; Wine (wine for wineserver, wine64
# for the 64-bit loader) and its fonts; Xvfb for the tests and headless runs;
# ImageMagick's import for run.sh's and screenshot.sh's pictures (and convert for
# make_assets.sh); xwininfo (x11-utils) for screenshot.sh to find the window;
# pefile for check-exe.py.
packages=(cmake make googletest g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64
          binutils-mingw-w64-x86-64 wine wine64 fonts-wine xvfb imagemagick x11-utils python3-pefile)
"$here/host-runs-32bit.sh" && runs_32bit=yes || runs_32bit=
[ -n "$runs_32bit" ] && packages+=(wine32:i386)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "These Debian packages are missing; run this as root or install them: ${missing[*]}" >&2
  exit 1
fi
if [ -n "$runs_32bit" ]; then
  # Wine's 32-bit half comes from the i386 architecture.
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
fi
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
