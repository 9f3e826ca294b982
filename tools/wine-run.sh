#!/usr/bin/env bash
# Runs a Windows test program in the private prefix (CTest's emulator).
. "$(dirname "$0")/wine-env.sh"
exec wine "$@"
