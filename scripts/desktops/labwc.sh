# Private headless labwc sessions (a wlroots compositor with XWayland) for
# the end-to-end tests; source it, do not run it. It uses sway.sh's runtime
# folders, test clients and stop_sessions, and processes.sh's session user.

source "$(dirname "${BASH_SOURCE[0]}")/sway.sh"

# start_labwc: a headless labwc with XWayland, run by the session user in a
# private runtime folder with a configuration of its own. The program labwc
# starts once Wayland and XWayland are up writes down their names: the
# readiness signal. Exports XDG_RUNTIME_DIR, WAYLAND_DISPLAY and DISPLAY;
# sets LABWC_PID.
start_labwc() {
  local dir
  session_dir
  dir=$SESSION_DIR
  mkdir -p "$dir/labwc"
  printf '#!/bin/sh\necho "$WAYLAND_DISPLAY $DISPLAY" >%s/ready.tmp\nmv %s/ready.tmp %s/ready\n' \
    "$dir" "$dir" "$dir" >"$dir/ready.sh"
  chmod 755 "$dir/ready.sh"
  [ "$(id -u)" -ne 0 ] || chown -R "$SESSION_USER:" "$dir"
  spawn_as_user env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME="$dir" XDG_RUNTIME_DIR="$dir" \
    WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    labwc -C "$dir/labwc" -s "$dir/ready.sh" >"$dir/labwc.log" 2>&1 </dev/null &
  LABWC_PID=$!
  SESSION_PIDS+=("$LABWC_PID")
  export XDG_RUNTIME_DIR=$dir
  if ! wait_for 30 "labwc to start" test -s "$dir/ready" || ! kill -0 "$LABWC_PID" 2>/dev/null; then
    echo "labwc did not come up; its log: $(tail -n 20 "$dir/labwc.log")" >&2
    return 1
  fi
  read -r WAYLAND_DISPLAY DISPLAY <"$dir/ready"
  export WAYLAND_DISPLAY DISPLAY
}
