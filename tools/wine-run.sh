#!/usr/bin/env bash
# Runs a Windows test program under the Wine that matches its architecture,
# in the build folder's prefix (CTest's emulator). Wine may start background
# processes (the desktop, services) that inherit the output and would keep
# CTest waiting on the pipe, so the output goes through a file instead.
. "$(dirname "$0")/wine-env.sh"
arch=$(pe_arch "$1") && use_wine "$arch" || exit 1
output=$(mktemp)
wine "$@" >"$output" 2>&1
status=$?
cat "$output"
rm -f "$output"
# Said in words as well, so that a test judged by its output still fails.
[ $status -eq 0 ] || echo "wine-run: exit status $status"
exit $status
