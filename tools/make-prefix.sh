#!/usr/bin/env bash
# Creates the private Wine prefix once: fonts for the dialog's metrics, no
# window-manager waits, silent audio.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"

if [ ! -f "$WINEPREFIX/.dozewell-ready" ]; then
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  wineboot -i </dev/null >/dev/null 2>&1
  # Debian's Wine does not copy its fonts into a prefix; without them
  # "MS Sans Serif" falls back to a font with other dialog base units.
  ln -sf /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
  # Unmanaged windows: bare Xvfb has no window manager to wait for.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d "" /f </dev/null >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.dozewell-ready"
fi
