#!/usr/bin/env bash
# Configures (once) and builds both programs, build/x86 and build/x64.
set -euo pipefail
cd "$(dirname "$0")/.."
for preset in x86 x64; do
  [ -f "build/$preset/CMakeCache.txt" ] || cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$(nproc)"
done
