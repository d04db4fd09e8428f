# Private headless GNOME Shell sessions for the end-to-end tests and the
# benchmark; source it, do not run it. Builds on the sway sessions' helpers
# (the unprivileged session user, private runtime folders, test clients,
# stop_sessions): every wait has a timeout, and only the processes started
# here are ended.
#
# A session is GNOME Shell's headless Wayland compositor with XWayland, on a
# private session bus and a private stand-in system bus (an empty,
# permissive dbus-daemon: without one the shell dies where /run/systemd/seats
# exists). Settings are a keyfile in the session's home, so no dconf
# service is needed; the project's extensions are in the home's data folder.
source "$(dirname "${BASH_SOURCE[0]}")/sway.sh"

# start_gnome EXTENSIONS_DIR ENABLED: a headless GNOME Shell with the
# extension folders of EXTENSIONS_DIR installed for the session user and the
# extensions ENABLED (a GVariant list, e.g. "['brisquel@brisquel']")
# enabled. Exports XDG_RUNTIME_DIR, WAYLAND_DISPLAY, DISPLAY, XAUTHORITY and
# DBUS_SESSION_BUS_ADDRESS, and sets SHELL_PID, SESSION_BUS_PID and
# SESSION_HOME (the session user's home, for clients that look there); the
# session's clients (in_session) get the home, XAUTHORITY and the bus.
start_gnome() {
  local extensions=$1 enabled=$2 dir data
  session_dir
  dir=$SESSION_DIR
  SESSION_HOME=$dir/home
  data=$SESSION_HOME/.local/share/gnome-shell/extensions
  mkdir -p "$data" "$dir/home/.config/glib-2.0/settings"
  cp -r "$extensions"/. "$data"/
  printf '[org/gnome/shell]\nenabled-extensions=%s\n' "$enabled" >"$dir/home/.config/glib-2.0/settings/keyfile"
  cat >"$dir/system.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$dir/system_bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
CONF
  [ "$(id -u)" -ne 0 ] || chown -R "$SESSION_USER:" "$dir"
  # XWayland puts its socket there and fails without it.
  [ -d /tmp/.X11-unix ] || { mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix; }
  spawn_as_user dbus-daemon --config-file="$dir/system.conf" --nofork --nopidfile >"$dir/system-bus.log" 2>&1 &
  SESSION_PIDS+=("$!")
  spawn_as_user dbus-daemon --session --address="unix:path=$dir/bus" --nofork --nopidfile \
    >"$dir/session-bus.log" 2>&1 &
  SESSION_BUS_PID=$!
  SESSION_PIDS+=("$SESSION_BUS_PID")
  export XDG_RUNTIME_DIR=$dir DBUS_SESSION_BUS_ADDRESS=unix:path=$dir/bus
  wait_for 10 "the private buses" test -S "$dir/bus" -a -S "$dir/system_bus" || return 1
  spawn_as_user env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME="$dir/home" XDG_RUNTIME_DIR="$dir" \
    DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" DBUS_SYSTEM_BUS_ADDRESS="unix:path=$dir/system_bus" \
    GSETTINGS_BACKEND=keyfile LIBGL_ALWAYS_SOFTWARE=1 XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland \
    gnome-shell --headless --wayland --virtual-monitor 1280x800 >"$dir/shell.log" 2>&1 </dev/null &
  SHELL_PID=$!
  SESSION_PIDS+=("$SHELL_PID")
  if ! wait_for 60 "GNOME Shell to start" gnome_up "$dir" || ! kill -0 "$SHELL_PID" 2>/dev/null; then
    echo "GNOME Shell did not come up; its log: $(tail -n 30 "$dir/shell.log")" >&2
    return 1
  fi
  WAYLAND_DISPLAY=$(cd "$dir" && ls wayland-* | grep -v lock | head -n 1)
  DISPLAY=$(sed -nE 's/.*Using public X11 display (:[0-9]+).*/\1/p' "$dir/shell.log" | head -n 1)
  XAUTHORITY=$(ls "$dir"/.mutter-Xwaylandauth.* 2>/dev/null | head -n 1)
  export WAYLAND_DISPLAY DISPLAY XAUTHORITY
  SESSION_VARS=(HOME="$SESSION_HOME" XAUTHORITY DBUS_SESSION_BUS_ADDRESS)
}

# gnome_call METHOD ARGS...: calls a method of /org/gnome/Shell as the
# session user, at most 5 seconds.
gnome_call() {
  as_user env DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" timeout 5 \
    gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell --method "$@"
}

# gnome_up DIR: the shell answers on the session bus and XWayland is named.
gnome_up() {
  gnome_call org.freedesktop.DBus.Properties.Get org.gnome.Shell ShellVersion >/dev/null &&
    grep -q 'Using public X11 display' "$1/shell.log"
}
