#!/usr/bin/env bash
# The CTest fixture of the Wine tests of one build folder:
#   tools/wine-fixture.sh start|stop x86|x64 BUILD
# start: the tests' own Xvfb, so that they never reach the caller's display, pointer or focus (its display
# and process id go to BUILD/test-display, which CTest names to tools/wine-run.sh in DOZEWELL_DISPLAY_FILE);
# the prefix BUILD/wineprefix, made once; and a wineserver, so that the test programs that follow start warm.
# stop: ends the wineserver and its programs, then the Xvfb.
# Both paths come from BUILD alone, never from the environment. It deletes only what it made: the display
# file, the settings the tests saved in their prefix, and the Xvfb and Wine programs of its runs.
set -euo pipefail
here=$(dirname "$0")
. "$here/wine-env.sh"
. "$here/xvfb.sh"
use_wine "$2" "$3/wineprefix"
display_file=$3/test-display

# Whether a process id is a live Xvfb: the one the file names may be left by an aborted run, its id since
# reused or its process dead but not yet reaped.
running() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) && [[ $stat == "$1 (Xvfb) "[!Z]* ]]
}

# Also at start: an aborted run may have left its wineserver, with programs on a display that is gone.
end_test_wine
if [ -s "$display_file" ] && read -r _ pid <"$display_file" && running "$pid"; then
  kill "$pid"
  for _ in $(seq 100); do running "$pid" || break; sleep 0.05; done
fi
rm -f "$display_file"
[ "$1" = stop ] && exit 0

launch_xvfb
echo "$DISPLAY $xvfb_pid" >"$display_file"
echo "Xvfb on $DISPLAY for the Wine tests"
"$here/make-prefix.sh" "$2" "$WINEPREFIX" --tests
wineserver -p </dev/null >/dev/null 2>&1 || true  # already running is fine
wine wineboot </dev/null >/dev/null 2>&1
# The settings an earlier run's test saved, in the tests' own prefix.
wine reg delete 'HKCU\Software\Dozewell Timer' /f </dev/null >/dev/null 2>&1 || true
