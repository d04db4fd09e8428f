# Private X desktops for the end-to-end tests, the benchmark and scripts/run;
# source it, do not run it. Every wait has a timeout, and stop_desktop ends
# exactly the processes these functions started.

DESKTOP_PIDS=()
DESKTOP_DIR=

# wait_for SECONDS WHAT COMMAND...: runs COMMAND until it succeeds.
wait_for() {
  local seconds=$1 what=$2 tries
  shift 2
  for ((tries = seconds * 20; tries > 0; tries--)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.05
  done
  echo "timed out after ${seconds}s waiting for $what" >&2
  return 1
}

# start_xvfb: a private Xvfb on the first free display, no TCP; exports DISPLAY.
start_xvfb() {
  DESKTOP_DIR=$(mktemp -d)
  Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 \
    3>"$DESKTOP_DIR/display" 2>"$DESKTOP_DIR/xvfb.log" </dev/null &
  DESKTOP_PIDS+=($!)
  wait_for 15 "Xvfb to start" grep -q '^[0-9]' "$DESKTOP_DIR/display"
  export DISPLAY=":$(head -n 1 "$DESKTOP_DIR/display")"
}

# wm_up PID: the window manager answers as an EWMH manager, or has ended.
wm_up() { wmctrl -m >/dev/null 2>&1 || ! kill -0 "$1" 2>/dev/null; }

# start_wm: evilwm on DISPLAY, ready once it answers as an EWMH manager.
# Its font is "fixed" (xfonts-base): its default, "variable", needs fonts
# that a minimal machine lacks, and without a font it does not start.
start_wm() {
  evilwm -fn fixed >"$DESKTOP_DIR/wm.log" 2>&1 </dev/null &
  local pid=$!
  DESKTOP_PIDS+=("$pid")
  if ! wait_for 15 "the window manager" wm_up "$pid" || ! wmctrl -m >/dev/null 2>&1; then
    echo "the window manager did not come up; its log: $(cat "$DESKTOP_DIR/wm.log")" >&2
    return 1
  fi
}

# helper_ready FILE PID: the helper has said "ready", or has ended (an error).
helper_ready() { grep -qx ready "$1" || ! kill -0 "$2" 2>/dev/null; }

# start_windows HELPER ARGS...: runs the window helper; its window ids go
# into the array WINDOWS and its process id into WINDOWS_PID. Waits up to
# WINDOWS_TIMEOUT seconds (default 60).
start_windows() {
  local out
  out=$(mktemp -p "$DESKTOP_DIR")
  "$@" >"$out" 2>"$DESKTOP_DIR/helper.log" </dev/null &
  WINDOWS_PID=$!
  DESKTOP_PIDS+=("$WINDOWS_PID")
  if ! wait_for "${WINDOWS_TIMEOUT:-60}" "the test windows" helper_ready "$out" "$WINDOWS_PID" ||
     ! grep -qx ready "$out"; then
    echo "the window helper failed: $(cat "$DESKTOP_DIR/helper.log")" >&2
    return 1
  fi
  mapfile -t WINDOWS < <(grep -vx ready "$out")
}

# stop_windows: ends the last window helper, and so its windows.
stop_windows() {
  kill "$WINDOWS_PID" 2>/dev/null || true
  wait "$WINDOWS_PID" 2>/dev/null || true
}

# stop_desktop: ends everything started here, newest first.
stop_desktop() {
  local i
  for ((i = ${#DESKTOP_PIDS[@]} - 1; i >= 0; i--)); do
    kill "${DESKTOP_PIDS[i]}" 2>/dev/null || true
    wait "${DESKTOP_PIDS[i]}" 2>/dev/null || true
  done
  DESKTOP_PIDS=()
  [ -n "$DESKTOP_DIR" ] && rm -rf "$DESKTOP_DIR"
  DESKTOP_DIR=
}
