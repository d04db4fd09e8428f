# Process helpers shared by the private desktops (x11.sh, sway.sh and the
# others here); source it, do not run it. Every wait has a timeout, and
# every process is ended by its own id.
#
# Compositors refuse to run as root: when the scripts run as root, they and
# every client (the program included, so that XWayland lets it in) run as
# the unprivileged user brisquel-wayland, made on first use. setpriv execs
# the command itself, so the process ids recorded are the commands' own.

SESSION_USER=brisquel-wayland

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

# said_ready FILE PID: the helper has said "ready", or has ended (an error).
said_ready() { grep -qx ready "$1" || ! kill -0 "$2" 2>/dev/null; }

# connected_under PID: the program that PID (a timeout wrapping it) runs as
# its child has a socket open, that is, it has connected to its display.
connected_under() {
  local child
  child=$(cat "/proc/$1/task/$1/children" 2>/dev/null) || return 1
  [ -n "$child" ] && ls -l "/proc/${child%% *}/fd" 2>/dev/null | grep -q socket
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

# private_dir: a private 0700 folder owned by the session user, in
# PRIVATE_DIR; the caller removes it.
private_dir() {
  PRIVATE_DIR=$(mktemp -d)
  chmod 700 "$PRIVATE_DIR"
  if [ "$(id -u)" -eq 0 ]; then
    id "$SESSION_USER" >/dev/null 2>&1 ||
      useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$SESSION_USER"
    chown "$SESSION_USER:" "$PRIVATE_DIR"
  fi
}

# running PID: the process is there and has not ended (an ended child
# waits as a zombie until it is waited for).
running() {
  local state
  state=$(sed -E 's/^[0-9]+ \(.*\) (.).*/\1/' "/proc/$1/stat" 2>/dev/null) && [ "$state" != Z ]
}

# stop_pid PID: ends one process started here (a stopped one too).
stop_pid() {
  local tries
  kill -CONT "$1" 2>/dev/null || true
  kill "$1" 2>/dev/null || true
  # A compositor busy inside one long dispatch (sway closing hundreds of
  # toplevels) takes the signal only when it is done: 10 seconds, then KILL.
  for ((tries = 100; tries > 0; tries--)); do
    running "$1" || break
    sleep 0.1
  done
  [ "$tries" -gt 0 ] || kill -KILL "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}

# stop_pids PID...: ends the processes given, the last first.
stop_pids() {
  local pids=("$@") i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do stop_pid "${pids[i]}"; done
}
