#!/usr/bin/env bash
# Makes a private Wine prefix for one architecture once, with the fonts the dialog's metrics need:
#   tools/make-prefix.sh x86|x64 PREFIX [--tests]
# --tests: for the tests and pictures on bare Xvfb (no window manager to wait for) and silent audio.
# It makes PREFIX only where it is missing or empty, or half made by this script (then it makes it again); it
# refuses any other folder, so a user's files or Wine prefix are never touched. It creates PREFIX, its parents
# and what Wine puts in it, and its marker: .dozewell-making while it makes it, then .dozewell-ready, each
# holding what for (tests, or timer for run.sh's). It deletes only what a half-made prefix of its own holds.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
prefix=$2
kind=timer
[ "${3:-}" = --tests ] && kind=tests
ready=$prefix/.dozewell-ready making=$prefix/.dozewell-making
refuse() {
  echo "make-prefix: refused $prefix: $*" >&2
  exit 1
}

if [ -f "$ready" ]; then
  made=$(cat "$ready")
  # An empty marker is from before markers said what for.
  [ -z "$made" ] || [ "$made" = "$kind" ] || refuse "it is the Wine prefix these scripts made for the $made, not for the $kind"
  exit 0
fi
mkdir -p -- "$prefix"
use_wine "$1" "$prefix"
if [ -f "$making" ]; then
  # Half made by this script (stopped during wineboot): everything in it is Wine's or ours, so it starts again,
  # without the server that may still hold its registry.
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -w
  find "$prefix" -mindepth 1 -delete
elif [ -n "$(ls -A -- "$prefix")" ]; then
  refuse "it is not empty and not a Wine prefix these scripts made (their mark is .dozewell-ready); name a new or empty folder"
fi
echo "$kind" >"$making"
# A 64-bit prefix reports a missing syswow64\rundll32.exe here; that is harmless.
wine wineboot -i </dev/null >/dev/null 2>&1
# Debian's Wine does not copy its fonts into a prefix; without them
# "MS Sans Serif" falls back to a font with other dialog base units.
ln -sf /usr/share/wine/fonts/* "$prefix/drive_c/windows/Fonts/"
if [ "$kind" = tests ]; then
  # Without a window manager every hide or destroy would wait 2 s for one.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d "" /f </dev/null >/dev/null 2>&1
  # A test program that crashes must end at once, not wait on the crash dialog.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
fi
wineserver -w
mv "$making" "$ready"
