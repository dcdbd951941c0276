# Sourced: start_virtual_display LOG starts Xvfb on the first free display and
# exports DISPLAY; stop_virtual_display ends it again.
start_virtual_display() {
  local log=$1 n tries
  for n in $(seq 90 130); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$log" 2>&1 &
    xvfb_pid=$!
    for tries in $(seq 100); do
      [[ -e /tmp/.X11-unix/X$n ]] && { export DISPLAY=":$n"; return 0; }
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
  done
  echo "kit: could not start a virtual X display (see $log)" >&2
  return 1
}

stop_virtual_display() {
  [[ -n ${xvfb_pid:-} ]] && kill "$xvfb_pid" 2>/dev/null || true
}
