# Sourced. launch_xvfb starts a private Xvfb on a free display, with its
# output going nowhere (a pipe it held would keep the caller's reader waiting),
# and exports DISPLAY and xvfb_pid. start_xvfb also stops it when the sourcing
# script exits.
launch_xvfb() {
  local display ready lock
  if ! command -v Xvfb >/dev/null; then
    echo "Xvfb is missing: install the Debian package xvfb" >&2
    return 1
  fi
  ready=$(mktemp)
  for display in $(seq 90 130); do
    # A socket may be another server's, even one whose lock this system cannot
    # see; a lock counts only while its process lives (Xvfb replaces a stale one).
    lock="/tmp/.X$display-lock"
    [ -e "/tmp/.X11-unix/X$display" ] && continue
    [ -e "$lock" ] && kill -0 "$(tr -dc 0-9 <"$lock" 2>/dev/null)" 2>/dev/null && continue
    # Xvfb writes its number to fd 3 once it takes clients; it exits if the number is taken.
    Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp -displayfd 3 3>"$ready" </dev/null >/dev/null 2>&1 &
    xvfb_pid=$!
    while [ ! -s "$ready" ] && kill -0 "$xvfb_pid" 2>/dev/null; do sleep 0.05; done
    if [ -s "$ready" ]; then
      rm -f "$ready"
      export DISPLAY=":$display"
      return 0
    fi
  done
  rm -f "$ready"
  echo "no free X display for Xvfb (tried :90 to :130)" >&2
  return 1
}

start_xvfb() {
  launch_xvfb || return 1
  trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
}
