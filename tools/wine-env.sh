# shellcheck shell=bash
# Sourced by the scripts that run Wine. `use_wine x86|x64 PREFIX` picks the loader, WINEARCH and the prefix
# folder for that architecture; `pe_arch EXE` tells which an exe needs, `pick_arch` which program runs here.
# Debian's `wine` wrapper always takes the 32-bit loader when wine32:i386 is installed, so the loader is named
# here and `wine` calls it. The prefix is always the caller's choice, never the environment's: the tests and
# the pictures use fixed ones under build/, and only run.sh takes DOZEWELL_PREFIX.
_dozewell_root=$(cd "$(dirname "${BASH_SOURCE[0]:-$0}")/.." && pwd)

pe_arch() { /usr/bin/python3 "$_dozewell_root/tools/check-exe.py" --arch "$1"; }

use_wine() {
  case "$1" in
    x86) export WINELOADER=/usr/lib/wine/wine WINEARCH=win32 ;;
    x64) export WINELOADER=/usr/lib/wine/wine64 WINEARCH=win64 ;;
    *) echo "unknown architecture: $1" >&2; return 1 ;;
  esac
  export WINEPREFIX="$2"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  if [ ! -x "$WINELOADER" ]; then
    echo "cannot run $1 programs: $WINELOADER is missing (Debian: wine64, or wine32:i386 for x86)" >&2
    return 1
  fi
}

wine() { "$WINELOADER" "$@"; }

# Ends every Wine program of WINEPREFIX, but only in a prefix that tools/make-prefix.sh made, or is making,
# for tests or pictures: never one where the user's timer or other programs may run. (A marker with no
# purpose in it is from before markers named one; the callers name only their fixed prefixes under build/.)
end_test_wine() {
  local made
  made=$(cat "$WINEPREFIX/.dozewell-ready" 2>/dev/null || cat "$WINEPREFIX/.dozewell-making" 2>/dev/null) || return 0
  [ "$made" = timer ] || wineserver -k </dev/null >/dev/null 2>&1 || true
}

# The one choice of the program a script runs here: sets arch to x86 where the host runs 32-bit code and
# 32-bit Wine is installed, otherwise to x64 and why_not_x86 to the reason.
# shellcheck disable=SC2034  # both are the caller's
pick_arch() {
  arch=x86 why_not_x86=
  if ! "$_dozewell_root/tools/host-runs-32bit.sh"; then
    why_not_x86="this host cannot run 32-bit code (its kernel refuses i386 programs)"
  elif [ ! -x /usr/lib/wine/wine ]; then
    why_not_x86="32-bit Wine (wine32:i386) is not installed"
  fi
  [ -z "$why_not_x86" ] || arch=x64
}
