# Private headless sway sessions for the end-to-end tests, the benchmark and
# scripts/run; source it, do not run it. Every wait has a timeout, and
# stop_sessions ends exactly the processes these functions started.
#
# sway refuses to run as root: when the scripts run as root, sway and every
# client (the program included, so that XWayland lets it in) run as the
# unprivileged user brisquel-wayland, made on first use. setpriv execs the
# command itself, so the process ids recorded here are the commands' own.

SESSION_PIDS=()
SESSION_DIRS=()
SESSION_USER=brisquel-wayland

# wl_wait_for SECONDS WHAT COMMAND...: runs COMMAND until it succeeds.
wl_wait_for() {
  local seconds=$1 what=$2 tries
  shift 2
  for ((tries = seconds * 20; tries > 0; tries--)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.05
  done
  echo "timed out after ${seconds}s waiting for $what" >&2
  return 1
}

# as_user COMMAND...: runs COMMAND as the session user (itself when not root).
as_user() {
  if [ "$(id -u)" -eq 0 ]; then
    setpriv --reuid="$SESSION_USER" --regid="$SESSION_USER" --clear-groups -- "$@"
  else
    "$@"
  fi
}

# spawn_as_user COMMAND... &: as as_user, for a command started in the
# background: the background shell becomes the command, so that $! is its id.
spawn_as_user() {
  if [ "$(id -u)" -eq 0 ]; then
    exec setpriv --reuid="$SESSION_USER" --regid="$SESSION_USER" --clear-groups -- "$@"
  else
    exec "$@"
  fi
}

# session_dir: a private 0700 folder owned by the session user, in SESSION_DIR.
session_dir() {
  local dir
  dir=$(mktemp -d)
  chmod 700 "$dir"
  if [ "$(id -u)" -eq 0 ]; then
    id "$SESSION_USER" >/dev/null 2>&1 ||
      useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$SESSION_USER"
    chown "$SESSION_USER:" "$dir"
  fi
  SESSION_DIRS+=("$dir")
  SESSION_DIR=$dir
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
  if ! wl_wait_for 30 "sway to start" sway_up "$dir" || ! kill -0 "$SWAY_PID" 2>/dev/null; then
    echo "sway did not come up; its log: $(cat "$dir/sway.log")" >&2
    return 1
  fi
  WAYLAND_DISPLAY=$(cd "$dir" && ls wayland-* | grep -v lock | head -n 1)
  SWAYSOCK=$(ls "$dir"/sway-ipc.*.sock | head -n 1)
  DISPLAY=$(head -n 1 "$dir/x-display")
  export WAYLAND_DISPLAY SWAYSOCK DISPLAY
}

# sway_up DIR: sway answers on its IPC socket and has started its exec line.
sway_up() {
  local sock
  sock=$(ls "$1"/sway-ipc.*.sock 2>/dev/null | head -n 1)
  [ -n "$sock" ] && as_user env SWAYSOCK="$sock" swaymsg -t get_version >/dev/null &&
    grep -q '^:' "$1/x-display"
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

# client_ready FILE PID: the client has said "ready", or has ended (an error).
client_ready() { grep -qx ready "$1" || ! kill -0 "$2" 2>/dev/null; }

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
  if ! wl_wait_for "${CLIENT_TIMEOUT:-60}" "the test client $1" client_ready "$out" "$CLIENT_PID" ||
     ! grep -qx ready "$out"; then
    echo "the test client $1 failed: $(cat "$out.log")" >&2
    return 1
  fi
  mapfile -t CLIENT_LINES < <(grep -vx ready "$out")
}

# stop_pid PID: ends one process started here.
stop_pid() {
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}

# stop_sessions: ends everything started here, newest first, and removes
# the runtime folders.
stop_sessions() {
  local i
  for ((i = ${#SESSION_PIDS[@]} - 1; i >= 0; i--)); do
    kill -CONT "${SESSION_PIDS[i]}" 2>/dev/null || true
    stop_pid "${SESSION_PIDS[i]}"
  done
  SESSION_PIDS=()
  for i in "${SESSION_DIRS[@]}"; do rm -rf "$i"; done
  SESSION_DIRS=()
}
