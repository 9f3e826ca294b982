#!/usr/bin/env bash
# CTest clean-up: ends the wineserver of one architecture's prefix.
#   tools/wine-shutdown.sh x86|x64
. "$(dirname "$0")/wine-env.sh"
use_wine "$1" 2>/dev/null
wineserver -k </dev/null >/dev/null 2>&1 || true
