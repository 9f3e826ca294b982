#!/usr/bin/env bash
# Builds and runs the benchmark headless: tools/bench.sh [full|alarm] [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh"
"$root/tools/build.sh"
. "$root/tools/xvfb.sh"
start_xvfb
export DOZEWELL_PREFIX="$root/build/wineprefix-bench"
"$root/tools/make-prefix.sh" --tests
. "$root/tools/wine-env.sh"
wineserver -p </dev/null >/dev/null 2>&1 || true  # already running is fine
wine wineboot </dev/null >/dev/null 2>&1
wine "$root/build/bench/dozewell_bench.exe" "$@"
wineserver -k </dev/null >/dev/null 2>&1 || true
