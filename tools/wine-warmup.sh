#!/usr/bin/env bash
# CTest set-up: makes sure the prefix of one architecture exists and a
# wineserver is running, so the test programs that follow start warm.
#   tools/wine-warmup.sh x86|x64
set -euo pipefail
"$(dirname "$0")/make-prefix.sh" "$1" --tests
. "$(dirname "$0")/wine-env.sh"
use_wine "$1"
wineserver -p </dev/null >/dev/null 2>&1 || true  # already running is fine
wine wineboot </dev/null >/dev/null 2>&1
