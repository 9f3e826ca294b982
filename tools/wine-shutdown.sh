#!/usr/bin/env bash
# CTest clean-up: ends the prefix's wineserver.
. "$(dirname "$0")/wine-env.sh"
wineserver -k </dev/null >/dev/null 2>&1 || true
