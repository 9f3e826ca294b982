#!/usr/bin/env bash
# Runs a Windows test program under the Wine that matches its architecture, in
# the build folder's prefix: CTest's emulator, and the way to run one test by
# hand. Under CTest (DOZEWELL_DISPLAY_FILE set) the program runs on the tests'
# Xvfb. By hand it runs on a private Xvfb of its own, never on your display,
# in the build folder's test prefix, made first if it is missing:
#   tools/wine-run.sh build/x64/tests/dozewell_tests.exe --gtest_filter='Tray.*'
# Wine may start background processes (the desktop, services) that inherit the
# output and would keep CTest waiting on the pipe, so the output goes through a
# file instead.
here=$(dirname "$0")
. "$here/wine-env.sh"
arch=$(pe_arch "$1") && use_wine "$arch" || exit 1
if [ -z "${DOZEWELL_DISPLAY_FILE:-}" ]; then
  "$here/make-prefix.sh" "$arch" --tests || exit 1
  . "$here/xvfb.sh"
  start_xvfb || exit 1
  # The process test starts the exe built beside the test program.
  exe=$(cd "$(dirname "$1")/.." && pwd)/DozewellTimer.exe
  export DOZEWELL_EXE="${DOZEWELL_EXE:-Z:${exe//\//\\}}"
fi
output=$(mktemp)
wine "$@" >"$output" 2>&1
status=$?
cat "$output"
rm -f "$output"
# Said in words as well, so that a test judged by its output still fails.
[ $status -eq 0 ] || echo "wine-run: exit status $status"
exit $status
