# Private headless sway sessions for scripts/run, the end-to-end tests and
# the benchmarks; source it, do not run it. Every wait has a timeout, and
# stop_sessions ends exactly the processes these functions started. sway
# and its clients run as the session user (processes.sh) when the scripts
# run as root.

source "$(dirname "${BASH_SOURCE[0]}")/processes.sh"

SESSION_PIDS=()
SESSION_DIRS=()

# session_dir: a private runtime folder (processes.sh's private_dir) in
# SESSION_DIR, removed by stop_sessions.
session_dir() {
  private_dir
  SESSION_DIR=$PRIVATE_DIR
  SESSION_DIRS+=("$SESSION_DIR")
}

# start_sway: a headless sway (with XWayland) in a private runtime folder.
# Exports XDG_RUNTIME_DIR, WAYLAND_DISPLAY, SWAYSOCK and DISPLAY (XWayland's),
# and sets SWAY_PID.
start_sway() {
  local dir
  session_dir
  dir=$SESSION_DIR
  printf 'xwayland enable\nexec echo "$DISPLAY" >%s/x-display\n' "$dir" >"$dir/config"
  chmod 644 "$dir/config"
  spawn_as_user env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/nonexistent XDG_RUNTIME_DIR="$dir" \
    WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    sway -c "$dir/config" >"$dir/sway.log" 2>&1 </dev/null &
  SWAY_PID=$!
  SESSION_PIDS+=("$SWAY_PID")
  export XDG_RUNTIME_DIR=$dir
  if ! wait_for 30 "sway to start" sway_up "$dir" || ! kill -0 "$SWAY_PID" 2>/dev/null; then
    echo "sway did not come up; its log: $(cat "$dir/sway.log")" >&2
    return 1
  fi
  WAYLAND_DISPLAY=$(cd "$dir" && ls wayland-* | grep -v lock | head -n 1)
  SWAYSOCK=$(ls "$dir"/sway-ipc.*.sock | head -n 1)
  DISPLAY=$(head -n 1 "$dir/x-display")
  export WAYLAND_DISPLAY SWAYSOCK DISPLAY
}

# sway_up DIR: sway answers on its IPC socket, has started its exec line,
# and XWayland's window manager is up (sway 1.12 runs the exec line before
# it is: an X window mapped then is never managed, nor listed).
sway_up() {
  local sock
  sock=$(ls "$1"/sway-ipc.*.sock 2>/dev/null | head -n 1)
  [ -n "$sock" ] && as_user env SWAYSOCK="$sock" swaymsg -t get_version >/dev/null &&
    grep -q '^:' "$1/x-display" && x_window_manager_up "$(head -n 1 "$1/x-display")"
}

# x_window_manager_up DISPLAY: a window manager has named its window on
# the X display's root (_NET_SUPPORTING_WM_CHECK).
x_window_manager_up() {
  as_user env DISPLAY="$1" xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

# sway_settle SECONDS: waits, at most SECONDS, until sway answers on its IPC
# socket again. When a client with hundreds of toplevels leaves, sway 1.10
# unmaps them all inside one dispatch of the client's destruction, and each
# unmap rearranges the workspace and makes wlroots 0.18's scene graph
# recompute the visible region of every node left: a minute and more of
# work (500 toplevels: about 70 s) during which it serves no client at all.
sway_settle() {
  local start=$SECONDS
  until as_user env SWAYSOCK="$SWAYSOCK" timeout 5 swaymsg -t get_version >/dev/null 2>&1; do
    if [ $((SECONDS - start)) -ge "$1" ]; then
      echo "sway did not answer within $1 s" >&2
      return 1
    fi
    sleep 0.5
  done
  [ $((SECONDS - start)) -lt 2 ] || echo "sway answered again after $((SECONDS - start)) s" >&2
}

# start_client COMMAND...: runs a test client as the session user until it
# says "ready"; its output lines but "ready" go into CLIENT_LINES, its
# process id into CLIENT_PID. Waits up to CLIENT_TIMEOUT seconds (default 60).
start_client() {
  local out
  out=$(mktemp -p "$XDG_RUNTIME_DIR")
  chmod 666 "$out"
  spawn_as_user env XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" WAYLAND_DISPLAY="${WAYLAND_DISPLAY:-}" \
    DISPLAY="${DISPLAY:-}" "$@" >"$out" 2>"$out.log" </dev/null &
  CLIENT_PID=$!
  SESSION_PIDS+=("$CLIENT_PID")
  if ! wait_for "${CLIENT_TIMEOUT:-60}" "the test client $1" said_ready "$out" "$CLIENT_PID" ||
     ! grep -qx ready "$out"; then
    echo "the test client $1 failed: $(cat "$out.log")" >&2
    return 1
  fi
  mapfile -t CLIENT_LINES < <(grep -vx ready "$out")
}

# stop_sessions: ends everything started here, newest first, and removes
# the runtime folders.
stop_sessions() {
  local i
  stop_pids "${SESSION_PIDS[@]}"
  SESSION_PIDS=()
  for i in "${SESSION_DIRS[@]}"; do rm -rf "$i"; done
  SESSION_DIRS=()
}
