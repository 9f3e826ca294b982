# shellcheck shell=bash
# Sourced. launch_xvfb starts a private Xvfb on a free display, exports DISPLAY and sets xvfb_pid; start_xvfb
# also stops it when the sourcing script exits.
launch_xvfb() {
  local fd display
  if ! command -v Xvfb >/dev/null; then
    echo "Xvfb is missing: install the Debian package xvfb" >&2
    return 1
  fi
  # Xvfb takes a free display itself (one whose sockets no X server holds; it writes no lock file) and writes
  # its number to -displayfd once it takes clients. Its other output goes nowhere: a pipe it held would keep
  # the caller's reader waiting.
  exec {fd}< <(Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>&1 </dev/null >/dev/null 2>&1 & echo $!)
  read -r -u "$fd" xvfb_pid
  read -r -t 10 -u "$fd" display || display=
  exec {fd}<&-
  if [ -z "$display" ]; then
    kill "$xvfb_pid" 2>/dev/null
    echo "Xvfb gave no display within 10 s" >&2
    return 1
  fi
  export DISPLAY=":$display"
}

start_xvfb() {
  launch_xvfb || return 1
  trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
}
