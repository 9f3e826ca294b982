#!/usr/bin/env bash
# Starts and stops the Wine tests' own Xvfb for the CTest fixture, so that they
# never reach the caller's display, pointer or focus. FILE holds its display
# and process id; tools/wine-env.sh takes the display from there.
#   tools/test-display.sh start|stop FILE
set -u
. "$(dirname "$0")/xvfb.sh"

# Whether a process id is a live Xvfb: the one FILE names may be left by an
# aborted run, its id since reused or its process dead but not yet reaped.
running() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) && [[ $stat == "$1 (Xvfb) "[!Z]* ]]
}

stop() {
  local display pid
  if [ -s "$1" ] && read -r display pid <"$1" && running "$pid"; then
    kill "$pid"
    for _ in $(seq 100); do running "$pid" || break; sleep 0.05; done
  fi
  rm -f "$1"
}

stop "$2"
if [ "$1" = start ]; then
  launch_xvfb || exit 1
  echo "$DISPLAY $xvfb_pid" >"$2"
  echo "Xvfb on $DISPLAY for the Wine tests"
fi
