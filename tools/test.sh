#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite headless
# (under Wine on a private Xvfb display, in a private Wine prefix).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh"
"$root/tools/build.sh"
. "$root/tools/xvfb.sh"
start_xvfb
cd "$root/build"
ctest --output-on-failure
