#!/usr/bin/env bash
# Installs what is missing, builds, and starts the timer under Wine. With no
# DISPLAY it runs under a private Xvfb and says so.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh"
"$root/tools/build.sh"

# The timer's own prefix, kept outside build/ so saved settings survive a rebuild.
export DOZEWELL_PREFIX="${DOZEWELL_PREFIX:-$HOME/.local/share/dozewell-timer/wineprefix}"
if [ -z "${DISPLAY:-}" ]; then
  . "$root/tools/xvfb.sh"
  start_xvfb
  echo "No DISPLAY: running under Xvfb on $DISPLAY (a screenshot goes to build/screenshot.png)."
  managed=N  # no window manager on bare Xvfb: do not wait for one
else
  managed=Y
fi
"$root/tools/make-prefix.sh"
. "$root/tools/wine-env.sh"
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f </dev/null >/dev/null 2>&1
if [ "$managed" = N ]; then
  ( sleep 4; import -window root "$root/build/screenshot.png" 2>/dev/null || true ) &
fi
wine "$root/build/DozewellTimer.exe"
