#!/usr/bin/env bash
# Takes a picture of the timer's window as it opens, with nothing saved, under Wine on a private Xvfb,
# cropped to the window; the README's docs/dialog.png is made so.
#   tools/screenshot.sh [EXE [PNG]]
# EXE is by default the program that tools/run.sh starts (built first), PNG docs/dialog.png. Its Wine
# prefix is always its own, build/<arch>/wineprefix-screenshot, whatever the environment names: it resets the
# settings there and ends every program there when it is done. Creates that prefix and PNG; deletes nothing
# else.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/wine-env.sh"
"$root/tools/setup.sh"
if [ $# -eq 0 ]; then
  "$root/tools/build.sh" >/dev/null
  pick_arch
  exe="$root/build/$arch/DozewellTimer.exe"
else
  exe=$(realpath "$1")
  arch=$(pe_arch "$exe")
fi
png=$(realpath "${2:-$root/docs/dialog.png}")

. "$root/tools/xvfb.sh"
start_xvfb
use_wine "$arch" "$root/build/$arch/wineprefix-screenshot"
"$root/tools/make-prefix.sh" "$arch" "$WINEPREFIX" --tests
wineserver -p </dev/null >/dev/null 2>&1 || true  # already running is fine
# The window as a first start shows it: no settings stored in this prefix. A caret that does not blink, so
# that the picture does not depend on the moment it is taken.
wine reg delete 'HKCU\Software\Dozewell Timer' /f </dev/null >/dev/null 2>&1 || true
wine reg add 'HKCU\Control Panel\Desktop' /v CursorBlinkRate /d -1 /f </dev/null >/dev/null 2>&1
"$WINELOADER" "$exe" </dev/null >/dev/null 2>&1 &
program=$!
# end_test_wine ends the programs of this prefix only, one that make-prefix.sh made for pictures.
trap 'kill $program 2>/dev/null || true; end_test_wine; kill $xvfb_pid 2>/dev/null || true' EXIT

# The main dialog's X window carries its caption as its name (import would wait for a click on a window
# that is not there yet); once it is there, a moment for painting.
window=
for _ in $(seq 100); do
  window=$(xwininfo -name "Dozewell Timer" 2>/dev/null | sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p' || true)
  [ -n "$window" ] && break
  kill -0 $program 2>/dev/null || { echo "screenshot: $exe ended before its window opened" >&2; exit 1; }
  sleep 0.2
done
[ -n "$window" ] || { echo "screenshot: no window of $exe within 20 s" >&2; exit 1; }
sleep 2
# No time stamps in the file, so an unchanged window gives an unchanged PNG.
import -window "$window" -strip -define png:exclude-chunks=date,time "$png"
echo "$png: $(identify -format '%w x %h' "$png"), the window of $exe ($arch) under Wine"
