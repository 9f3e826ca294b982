# Sourced by the scripts that run Wine: a private 32-bit prefix, quiet output.
# DOZEWELL_PREFIX may name another prefix folder; the default lives in build/.
_dozewell_root=$(cd "$(dirname "${BASH_SOURCE[0]:-$0}")/.." && pwd)
export WINEPREFIX="${DOZEWELL_PREFIX:-$_dozewell_root/build/wineprefix}"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
