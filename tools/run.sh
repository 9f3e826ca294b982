#!/usr/bin/env bash
# Installs what is missing, builds, and starts the timer under Wine: the x86
# program where this host runs 32-bit code, the x64 one otherwise. With no
# DISPLAY it runs under a private Xvfb and says so.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/wine-env.sh"
"$root/tools/setup.sh"
"$root/tools/build.sh"

if host_runs_32bit && [ -x /usr/lib/wine/wine ]; then
  arch=x86
  echo "Running the x86 program (build/x86/DozewellTimer.exe)."
else
  arch=x64
  echo "Running the x64 program (build/x64/DozewellTimer.exe): this host cannot run 32-bit code."
fi
# The timer's own prefix, kept outside build/ so saved settings survive a rebuild.
export DOZEWELL_PREFIX="${DOZEWELL_PREFIX:-$HOME/.local/share/dozewell-timer/$arch}"
if [ -z "${DISPLAY:-}" ]; then
  . "$root/tools/xvfb.sh"
  start_xvfb
  echo "No DISPLAY: running under Xvfb on $DISPLAY (a screenshot goes to build/screenshot.png)."
  managed=N  # no window manager on bare Xvfb: do not wait for one
else
  managed=Y
fi
"$root/tools/make-prefix.sh" "$arch"
use_wine "$arch"
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f </dev/null >/dev/null 2>&1
if [ "$managed" = N ]; then
  ( sleep 4; import -window root "$root/build/screenshot.png" 2>/dev/null || true ) &
fi
wine "$root/build/$arch/DozewellTimer.exe"
