#!/usr/bin/env bash
# CTest clean-up: ends the wineserver of one architecture's prefix (which waits
# for its programs to end), then the tests' Xvfb.
#   tools/wine-shutdown.sh x86|x64
here=$(dirname "$0")
. "$here/wine-env.sh"
use_wine "$1" 2>/dev/null
wineserver -k </dev/null >/dev/null 2>&1 || true
"$here/test-display.sh" stop "$DOZEWELL_DISPLAY_FILE"
