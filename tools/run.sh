#!/usr/bin/env bash
# Installs what is missing, builds, and starts the timer under Wine: the program
# that pick_arch (tools/wine-env.sh) chooses for this host. With no
# DISPLAY it runs under a private Xvfb and says so. It runs until the program
# ends; a copy already running in the same prefix is said so, with how to end
# it, as the program then ends the new copy at once.
# Its prefix is DOZEWELL_PREFIX, or ~/.local/share/dozewell-timer/<arch>: tools/make-prefix.sh makes it in a
# new or empty folder and refuses any other that it did not make. Creates: that prefix, Xvfb's display and
# build/screenshot.png when there is no DISPLAY. Deletes nothing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/wine-env.sh"
"$root/tools/setup.sh"
"$root/tools/build.sh"

pick_arch
echo "Running the $arch program (build/$arch/DozewellTimer.exe)${why_not_x86:+: $why_not_x86}."
# The timer's own prefix, kept outside build/ so saved settings survive a rebuild; Wine wants it absolute.
prefix=$(realpath -m -- "${DOZEWELL_PREFIX:-$HOME/.local/share/dozewell-timer/$arch}")
"$root/tools/make-prefix.sh" "$arch" "$prefix"
use_wine "$arch" "$prefix"
exe="$root/build/$arch/DozewellTimer.exe"

# Only one copy runs in a prefix: the program ends a second one at once, with exit code 0.
already_running() {
  echo "A copy of the timer is already running in the Wine prefix $prefix, so no second"
  echo "one starts; its window may be hidden in the notification area (tray icon: click to show it)."
  # Advice for the user's own timer prefix, which make-prefix.sh made for it.
  echo "End it with its tray menu's Exit, or: WINEPREFIX='$prefix' wineserver -k"
  exit 0
}
# A Wine process of this exe whose environment names this prefix.
for process in /proc/[0-9]*; do
  grep -qaF "$exe" "$process/cmdline" 2>/dev/null || continue
  tr '\0' '\n' <"$process/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$prefix" && already_running
done

if [ -z "${DISPLAY:-}" ]; then
  . "$root/tools/xvfb.sh"
  start_xvfb
  echo "No DISPLAY: running under Xvfb on $DISPLAY, where no one sees the window; a screenshot goes to build/screenshot.png."
  managed=N  # no window manager on bare Xvfb: do not wait for one
else
  managed=Y
fi
# A Wine setting of the timer's own prefix, made by make-prefix.sh for it.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f </dev/null >/dev/null 2>&1
if [ "$managed" = N ]; then
  ( sleep 4; import -window root "$root/build/screenshot.png" 2>/dev/null && echo "Screenshot: build/screenshot.png" ) &
  screenshot=$!
fi
echo "The timer runs until it ends (Exit in its menus, Esc or the close box) or Ctrl+C here."
# In the background so that Ctrl+C reaches the trap at once: a Wine GUI program ignores it.
started=$SECONDS
"$WINELOADER" "$exe" &
program=$!
interrupted=
trap 'interrupted=1; kill "$program" 2>/dev/null || true' INT TERM
status=0
wait "$program" || status=$?
if [ -n "$interrupted" ]; then
  wait "$program" 2>/dev/null || true
  echo "Ctrl+C: the timer has ended."
  exit 130
fi
# A copy started elsewhere in the prefix is found here: the program ends this one within a moment.
if [ $status -eq 0 ] && [ $((SECONDS - started)) -le 2 ]; then
  if [ -n "${screenshot:-}" ]; then
    kill "$screenshot" 2>/dev/null
    echo "(So there is no screenshot.)"
  fi
  already_running
fi
echo "The timer has ended (exit code $status)."
exit $status
