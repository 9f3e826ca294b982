#!/usr/bin/env bash
# Creates a private Wine prefix for one architecture once, with the fonts the
# dialog's metrics need.
#   tools/make-prefix.sh x86|x64 [--tests]
# --tests: for bare Xvfb (no window manager to wait for) and silent audio.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
use_wine "$1"

if [ ! -f "$WINEPREFIX/.dozewell-ready" ]; then
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  # A 64-bit prefix reports a missing syswow64\rundll32.exe here; that is harmless.
  wine wineboot -i </dev/null >/dev/null 2>&1
  # Debian's Wine does not copy its fonts into a prefix; without them
  # "MS Sans Serif" falls back to a font with other dialog base units.
  ln -sf /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
  if [ "${2:-}" = --tests ]; then
    # Without a window manager every hide or destroy would wait 2 s for one.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d "" /f </dev/null >/dev/null 2>&1
    # A test program that crashes must end at once, not wait on the crash dialog.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
  fi
  wineserver -w
  touch "$WINEPREFIX/.dozewell-ready"
fi
