#!/usr/bin/env bash
# Runs a Windows test program in the private prefix (CTest's emulator).
# Wine may start its own background processes (the desktop, services) from the
# first program that needs them; they inherit its output and would keep CTest
# waiting on the pipe, so the output goes through a file instead.
. "$(dirname "$0")/wine-env.sh"
output=$(mktemp)
wine "$@" >"$output" 2>&1
status=$?
cat "$output"
rm -f "$output"
exit $status
