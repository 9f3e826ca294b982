#!/usr/bin/env bash
# CTest set-up: makes sure the prefix exists and a wineserver is running, so
# the test programs that follow start warm.
set -euo pipefail
"$(dirname "$0")/make-prefix.sh" --tests
. "$(dirname "$0")/wine-env.sh"
wineserver -p </dev/null >/dev/null 2>&1 || true  # already running is fine
wine wineboot </dev/null >/dev/null 2>&1
