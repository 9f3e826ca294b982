# Sourced: starts a private Xvfb on a free display and exports DISPLAY.
# Stopped when the sourcing script exits.
start_xvfb() {
  local display
  for display in $(seq 90 130); do
    [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ] && continue
    Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$display" ] && break
      sleep 0.1
    done
    export DISPLAY=":$display"
    trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
    return 0
  done
  echo "no free X display for Xvfb" >&2
  return 1
}
