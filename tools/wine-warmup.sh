#!/usr/bin/env bash
# CTest set-up: starts the tests' private Xvfb, makes sure the prefix of one
# architecture exists and a wineserver is running, so the test programs that
# follow start warm.
#   tools/wine-warmup.sh x86|x64
set -euo pipefail
here=$(dirname "$0")
. "$here/wine-env.sh"
# An aborted run may have left its wineserver, with programs on a display that
# is gone, and the settings a test had saved.
(DOZEWELL_DISPLAY_FILE= use_wine "$1" && wineserver -k </dev/null >/dev/null 2>&1) || true
"$here/test-display.sh" start "$DOZEWELL_DISPLAY_FILE"
"$here/make-prefix.sh" "$1" --tests
use_wine "$1"
wineserver -p </dev/null >/dev/null 2>&1 || true  # already running is fine
wine wineboot </dev/null >/dev/null 2>&1
wine reg delete 'HKCU\Software\Dozewell Timer' /f </dev/null >/dev/null 2>&1 || true
