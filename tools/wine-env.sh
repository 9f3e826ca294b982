# Sourced by the scripts that run Wine. `use_wine x86|x64` picks the loader,
# WINEARCH and the prefix for that architecture; `pe_arch EXE` tells which an
# exe needs, `pick_arch` which program runs here. Debian's `wine` wrapper always takes the 32-bit loader when
# wine32:i386 is installed, so the loader is named here and `wine` calls it.
# DOZEWELL_PREFIX may name another prefix folder; the default is the build
# folder's own. DOZEWELL_DISPLAY_FILE, set for the tests, names the file that
# holds their private display (tools/wine-fixture.sh): the caller's is never used.
_dozewell_root=$(cd "$(dirname "${BASH_SOURCE[0]:-$0}")/.." && pwd)

pe_arch() {
  local header machine
  header=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
  machine=$(od -An -tx2 -j$((${header:-0} + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')
  case "$machine" in
    014c) echo x86 ;;
    8664) echo x64 ;;
    *) echo "$1 is not an i386 or AMD64 Windows program" >&2; return 1 ;;
  esac
}

use_wine() {
  case "$1" in
    x86) export WINELOADER=/usr/lib/wine/wine WINEARCH=win32 ;;
    x64) export WINELOADER=/usr/lib/wine/wine64 WINEARCH=win64 ;;
    *) echo "unknown architecture: $1" >&2; return 1 ;;
  esac
  export WINEPREFIX="${DOZEWELL_PREFIX:-$_dozewell_root/build/$1/wineprefix}"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  if [ ! -x "$WINELOADER" ]; then
    echo "cannot run $1 programs: $WINELOADER is missing (Debian: wine64, or wine32:i386 for x86)" >&2
    return 1
  fi
  if [ -n "${DOZEWELL_DISPLAY_FILE:-}" ]; then
    unset DISPLAY
    [ -s "$DOZEWELL_DISPLAY_FILE" ] && read -r DISPLAY _ <"$DOZEWELL_DISPLAY_FILE"
    if [ -z "${DISPLAY:-}" ]; then
      echo "no private X display: $DOZEWELL_DISPLAY_FILE is missing (made by the wine.prefix fixture)" >&2
      return 1
    fi
    export DISPLAY
  fi
}

wine() { "$WINELOADER" "$@"; }

# The one choice of the program a script runs here: sets arch to x86 where the host runs 32-bit code and
# 32-bit Wine is installed, otherwise to x64 and why_not_x86 to the reason.
pick_arch() {
  arch=x86 why_not_x86=
  if ! "$_dozewell_root/tools/host-runs-32bit.sh"; then
    why_not_x86="this host cannot run 32-bit code (its kernel refuses i386 programs)"
  elif [ ! -x /usr/lib/wine/wine ]; then
    why_not_x86="32-bit Wine (wine32:i386) is not installed"
  fi
  [ -z "$why_not_x86" ] || arch=x64
}
