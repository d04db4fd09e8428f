# Private headless KWin sessions (KDE Plasma's compositor, with XWayland)
# for the end-to-end tests and the benchmark; source it, do not run it. It
# uses sway.sh's runtime folders and test clients, and processes.sh's
# session user.
# stop_kwins ends each KWin's whole process group: KWin's own process may
# outlive the dbus-run-session that started it.

source "$(dirname "${BASH_SOURCE[0]}")/sway.sh"

KWIN_GROUPS=()

# start_kwin [VAR=VALUE...]: a headless KWin with XWayland, run by the
# session user in a private runtime folder, from a copy of kwin_wayland
# (the packaged one carries a file capability a container may not
# permit), with VAR=VALUE in its environment and a home of its own under
# the folder. With KWIN_GRANTED set to a program's path, an application's
# .desktop file in that home grants the program the window list; it is
# written before KWin starts, since KWin 6 reads its application database
# once. Exports XDG_RUNTIME_DIR, WAYLAND_DISPLAY and DISPLAY; sets
# KWIN_PID (KWin's own process) and KWIN_GROUP. The program KWin starts
# once Wayland and XWayland are up writes them down: the readiness signal.
start_kwin() {
  local dir
  session_dir
  dir=$SESSION_DIR
  mkdir -p "$dir/home/.local/share/applications"
  [ -z "${KWIN_GRANTED:-}" ] ||
    printf '[Desktop Entry]\nType=Application\nName=Granted\nExec=%s\nNoDisplay=true\nX-KDE-Wayland-Interfaces=%s\n' \
      "$KWIN_GRANTED" org_kde_plasma_window_management >"$dir/home/.local/share/applications/granted.desktop"
  cp "$(command -v kwin_wayland)" "$dir/kwin_wayland"
  printf '#!/bin/sh\necho "$PPID $WAYLAND_DISPLAY $DISPLAY" >%s/ready.tmp\nmv %s/ready.tmp %s/ready\nexec sleep 1800\n' \
    "$dir" "$dir" "$dir" >"$dir/ready.sh"
  chmod 755 "$dir/ready.sh"
  [ "$(id -u)" -ne 0 ] || chown -R "$SESSION_USER:" "$dir"
  # setsid execs in place: the background shell's id is the group's.
  spawn_as_user setsid env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME="$dir/home" XDG_RUNTIME_DIR="$dir" "$@" \
    dbus-run-session "$dir/kwin_wayland" --virtual --width 1280 --height 800 --no-lockscreen \
    --no-global-shortcuts --no-kactivities --xwayland --socket kde-0 --exit-with-session "$dir/ready.sh" \
    >"$dir/kwin.log" 2>&1 </dev/null &
  KWIN_GROUP=$!
  KWIN_GROUPS+=("$KWIN_GROUP")
  export XDG_RUNTIME_DIR=$dir
  if ! wait_for 60 "KWin to start" test -s "$dir/ready"; then
    echo "KWin did not come up; its log: $(tail -n 20 "$dir/kwin.log")" >&2
    return 1
  fi
  read -r KWIN_PID WAYLAND_DISPLAY DISPLAY <"$dir/ready"
  export WAYLAND_DISPLAY DISPLAY
}

# stop_kwin GROUP: ends one KWin's process group: asks, waits up to 10
# seconds for every member to go (KWin writes its settings on the way
# out), then kills what is left.
stop_kwin() {
  local tries
  kill -CONT -- "-$1" 2>/dev/null || true
  kill -- "-$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
  for ((tries = 200; tries > 0; tries--)); do
    kill -0 -- "-$1" 2>/dev/null || return 0
    sleep 0.05
  done
  kill -KILL -- "-$1" 2>/dev/null || true
}

# stop_kwins: ends every KWin started here, then what the Wayland helpers
# started, and removes the folders.
stop_kwins() {
  local group
  for group in "${KWIN_GROUPS[@]}"; do stop_kwin "$group"; done
  KWIN_GROUPS=()
  stop_sessions
}

# kwin_machine: what KWin needs of the machine, made as root where
# missing: XWayland's socket folder (KWin aborts without it), and an XDG
# applications menu, through which alone KWin 6 finds .desktop files (its
# grants); a bare system has none, so a minimal one is made.
kwin_machine() {
  local menu=/etc/xdg/menus/applications.menu
  as_root install -d -m 1777 /tmp/.X11-unix
  [ -e "$menu" ] && return 0
  as_root mkdir -p "${menu%/*}"
  printf '%s\n' '<Menu><Name>Applications</Name><DefaultAppDirs/><DefaultDirectoryDirs/><Include><All/></Include></Menu>' |
    as_root tee "$menu" >/dev/null
}
