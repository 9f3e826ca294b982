#!/usr/bin/env bash
# Installs what is missing, builds both programs, and runs the whole test
# suite headless for every architecture this host can run (under Wine on a
# private Xvfb display that CTest's fixture starts, in each build folder's own
# Wine prefix): the -full test presets, with the rebuild elsewhere that the
# quick ones leave out. The exe of an architecture that cannot run here is still
# checked statically; each exe's resources are compared with the other's.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/wine-env.sh"
"$root/tools/setup.sh" && "$root/tools/build.sh" || exit 1
cd "$root" || exit 1

status=0
summary=()
if ctest --preset x64-full; then summary+=("x64: whole suite passed"); else summary+=("x64: FAILED"); status=1; fi
pick_arch
if [ "$arch" = x86 ]; then
  if ctest --preset x86-full; then summary+=("x86: whole suite passed"); else summary+=("x86: FAILED"); status=1; fi
elif ctest --preset x86-full -L static; then
  summary+=("x86: not run, $why_not_x86; its exe passed the static checks")
else
  summary+=("x86: not run, $why_not_x86; its exe FAILED the static checks")
  status=1
fi
printf '%s\n' "${summary[@]}"
exit $status
