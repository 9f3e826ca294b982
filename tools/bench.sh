#!/usr/bin/env bash
# Builds and runs the benchmark headless: tools/bench.sh [full|alarm|startup] [rounds]
# on the program this host runs (tools/wine-env.sh's pick_arch), against floors
# built for that same architecture. The benchmark programs are built only here, and run in a prefix of
# their own, build/<arch>/wineprefix-bench, whose programs it ends at the end.
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
use_wine "$arch" "$root/build/$arch/wineprefix-bench"
"$root/tools/make-prefix.sh" "$arch" "$WINEPREFIX" --tests
wineserver -p </dev/null >/dev/null 2>&1 || true  # already running is fine
wine wineboot </dev/null >/dev/null 2>&1
wine "$root/build/$arch/bench/dozewell_bench.exe" "$@"
end_test_wine
