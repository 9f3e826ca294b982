#!/usr/bin/env bash
# Runs a Windows test program under the Wine that matches its architecture, always in its build folder's test
# prefix (BUILD/wineprefix for BUILD/tests/PROGRAM.exe), whatever the environment names: CTest's emulator,
# and the way to run one test by hand. Under CTest (DOZEWELL_DISPLAY_FILE set) the program runs on the tests'
# Xvfb. By hand it runs on a private Xvfb of its own, never on your display, and makes the prefix first if it
# is missing:
#   tools/wine-run.sh build/x64/tests/dozewell_tests.exe --gtest_filter='Tray.*'
# It creates that prefix when it is missing, and by hand its Xvfb, which it stops; it deletes only its own
# temporary file. The tests delete settings and end programs in that prefix alone.
# Wine may start background processes (the desktop, services) that inherit the
# output and would keep CTest waiting on the pipe, so the output goes through a
# file instead.
here=$(dirname "$0")
. "$here/wine-env.sh"
arch=$(pe_arch "$1") || exit 1
build=$(cd "$(dirname "$1")/.." && pwd)
if [ ! -f "$build/CMakeCache.txt" ]; then
  echo "wine-run: $1 is not in a build folder's tests/, so it has no test prefix" >&2
  exit 1
fi
use_wine "$arch" "$build/wineprefix" || exit 1
if [ -n "${DOZEWELL_DISPLAY_FILE:-}" ]; then
  DISPLAY=
  [ -s "$DOZEWELL_DISPLAY_FILE" ] && read -r DISPLAY _ <"$DOZEWELL_DISPLAY_FILE"
  if [ -z "$DISPLAY" ]; then
    echo "no private X display: $DOZEWELL_DISPLAY_FILE is missing (made by the wine.prefix fixture)" >&2
    exit 1
  fi
  export DISPLAY
else
  . "$here/xvfb.sh"
  start_xvfb || exit 1
  # The process test starts the exe built beside the test program.
  export DOZEWELL_EXE="Z:${build//\//\\}\\DozewellTimer.exe"
fi
"$here/make-prefix.sh" "$arch" "$WINEPREFIX" --tests || exit 1
output=$(mktemp)
wine "$@" >"$output" 2>&1
status=$?
cat "$output"
rm -f "$output"
# Said in words as well, so that a test judged by its output still fails.
[ $status -eq 0 ] || echo "wine-run: exit status $status"
exit $status
