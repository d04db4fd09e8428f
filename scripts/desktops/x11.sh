# Private X desktops for scripts/run, the end-to-end tests and the
# benchmarks; source it, do not run it. Every wait has a timeout, and
# stop_desktop ends exactly the processes these functions started.

source "$(dirname "${BASH_SOURCE[0]}")/processes.sh"

DESKTOP_PIDS=()
DESKTOP_DIR=

# start_xvfb [ARGS...]: a private Xvfb on the first free display, no TCP,
# with ARGS (say, "-extension X-Resource" to leave one out); exports DISPLAY.
start_xvfb() {
  DESKTOP_DIR=$(mktemp -d)
  Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 "$@" \
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

# start_windows HELPER ARGS...: runs the window helper; its window ids go
# into the array WINDOWS and its process id into WINDOWS_PID. Waits up to
# WINDOWS_TIMEOUT seconds (default 60).
start_windows() {
  local out
  out=$(mktemp -p "$DESKTOP_DIR")
  "$@" >"$out" 2>"$DESKTOP_DIR/helper.log" </dev/null &
  WINDOWS_PID=$!
  DESKTOP_PIDS+=("$WINDOWS_PID")
  if ! wait_for "${WINDOWS_TIMEOUT:-60}" "the test windows" said_ready "$out" "$WINDOWS_PID" ||
     ! grep -qx ready "$out"; then
    echo "the window helper failed: $(cat "$DESKTOP_DIR/helper.log")" >&2
    return 1
  fi
  mapfile -t WINDOWS < <(grep -vx ready "$out")
}

# stop_windows: ends the last window helper, and so its windows.
stop_windows() { stop_pid "$WINDOWS_PID"; }

# stop_desktop: ends everything started here, newest first.
stop_desktop() {
  stop_pids "${DESKTOP_PIDS[@]}"
  DESKTOP_PIDS=()
  [ -n "$DESKTOP_DIR" ] && rm -rf "$DESKTOP_DIR"
  DESKTOP_DIR=
}
