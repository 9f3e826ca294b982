#!/usr/bin/env bash
# The CTest fixture of the Wine tests of one architecture:
#   tools/wine-fixture.sh start|stop x86|x64
# start: the tests' own Xvfb, so that they never reach the caller's display, pointer or focus (its display
# and process id go to DOZEWELL_DISPLAY_FILE, where tools/wine-env.sh reads them); the prefix, made once;
# and a wineserver, so that the test programs that follow start warm.
# stop: ends the wineserver and its programs, then the Xvfb.
set -euo pipefail
here=$(dirname "$0")
. "$here/wine-env.sh"
. "$here/xvfb.sh"

# Whether a process id is a live Xvfb: the one the file names may be left by an aborted run, its id since
# reused or its process dead but not yet reaped.
running() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) && [[ $stat == "$1 (Xvfb) "[!Z]* ]]
}

# Also at start: an aborted run may have left its wineserver, with programs on a display that is gone.
(DOZEWELL_DISPLAY_FILE= use_wine "$2" && wineserver -k </dev/null >/dev/null 2>&1) || true
if [ -s "$DOZEWELL_DISPLAY_FILE" ] && read -r _ pid <"$DOZEWELL_DISPLAY_FILE" && running "$pid"; then
  kill "$pid"
  for _ in $(seq 100); do running "$pid" || break; sleep 0.05; done
fi
rm -f "$DOZEWELL_DISPLAY_FILE"
[ "$1" = stop ] && exit 0

launch_xvfb
echo "$DISPLAY $xvfb_pid" >"$DOZEWELL_DISPLAY_FILE"
echo "Xvfb on $DISPLAY for the Wine tests"
"$here/make-prefix.sh" "$2" --tests
use_wine "$2"
wineserver -p </dev/null >/dev/null 2>&1 || true  # already running is fine
wine wineboot </dev/null >/dev/null 2>&1
# The settings an earlier run's test saved.
wine reg delete 'HKCU\Software\Dozewell Timer' /f </dev/null >/dev/null 2>&1 || true
