#!/usr/bin/env bash
# Builds and runs the benchmark headless: tools/bench.sh [full|alarm|startup] [rounds]
# on the program this host runs (tools/wine-env.sh's pick_arch), against floors
# built for that same architecture. The benchmark programs are built only here.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. "$root/tools/wine-env.sh"
"$root/tools/setup.sh"
pick_arch
echo "Benchmarking the $arch build."
[ -f "build/$arch/CMakeCache.txt" ] || cmake --preset "$arch" >/dev/null
cmake --build --preset "$arch" --target dozewell_bench -j"$(nproc)"
. "$root/tools/xvfb.sh"
start_xvfb
export DOZEWELL_PREFIX="$root/build/$arch/wineprefix-bench"
"$root/tools/make-prefix.sh" "$arch" --tests
use_wine "$arch"
wineserver -p </dev/null >/dev/null 2>&1 || true  # already running is fine
wine wineboot </dev/null >/dev/null 2>&1
wine "$root/build/$arch/bench/dozewell_bench.exe" "$@"
wineserver -k </dev/null >/dev/null 2>&1 || true
