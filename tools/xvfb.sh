# Sourced. launch_xvfb starts a private Xvfb on a free display, with its
# output going nowhere (a pipe it held would keep the caller's reader waiting),
# and exports DISPLAY and xvfb_pid. Its lock file keeps two starters apart
# (Xvfb's -displayfd would drop it). start_xvfb also stops it when the sourcing
# script exits.
launch_xvfb() {
  local display lock waited
  if ! command -v Xvfb >/dev/null; then
    echo "Xvfb is missing: install the Debian package xvfb" >&2
    return 1
  fi
  for display in $(seq 90 130); do
    lock="/tmp/.X$display-lock"
    if [ -e "$lock" ]; then
      # Taken while its process lives; Xvfb replaces a stale lock and socket itself.
      kill -0 "$(tr -dc 0-9 <"$lock" 2>/dev/null)" 2>/dev/null && continue
    elif [ -e "/tmp/.X11-unix/X$display" ]; then
      continue  # a server whose lock this system cannot see
    fi
    Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    xvfb_pid=$!
    # Ready once its socket is there and the lock is its own; it exits when another took the number first.
    for waited in $(seq 200); do
      kill -0 "$xvfb_pid" 2>/dev/null || break
      if [ -e "/tmp/.X11-unix/X$display" ] && [ "$(tr -dc 0-9 <"$lock" 2>/dev/null)" = "$xvfb_pid" ]; then
        export DISPLAY=":$display"
        return 0
      fi
      [ "$waited" = 200 ] && kill "$xvfb_pid"
      sleep 0.05
    done
  done
  echo "no free X display for Xvfb (tried :90 to :130)" >&2
  return 1
}

start_xvfb() {
  launch_xvfb || return 1
  trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
}
