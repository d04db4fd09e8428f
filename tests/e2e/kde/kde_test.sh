#!/usr/bin/env bash
# End-to-end checks of the Linux program on a headless KWin (KDE Plasma on
# Wayland): native and XWayland windows with their dialogs through KWin's
# window list, the grant by a .desktop file and its refusal, 1,000 windows,
# a stopped and a killed KWin. Exact output bytes and exit codes.
# Usage: kde_test.sh PATH/TO/brisquel BUILD_DIR
#   (BUILD_DIR holds the tests/e2e/wayland and tests/e2e/x11 helpers)
set -euo pipefail
bin=$(realpath "$1")
build=$(realpath "$2")
toplevels=$build/tests/e2e/wayland/wl_toplevels
x11_helper=$build/tests/e2e/x11/x11_windows
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../../scripts/desktops/kwin.sh"
work=$(mktemp -d)
chmod 755 "$work"
trap 'stop_kwins; rm -rf "$work"' EXIT
failures=0
export LC_ALL=C

source "$here/../checks.sh"
banner_of "$bin"
heading=$'  Searching for windows containing following text:\r\n'

# run ARGS...: the program (or $program), as the session's clients run it.
run() { run_in_session "${program:-$bin}" "$@"; }

# KWin numbers its windows from 1 in the order they open; the program's
# HWND is that number. Newer windows stand above older ones.
windows() {  # the four windows, and their owners' ids in native_pid, x_pid
  start_client "$toplevels" window --title 'Konsole 0x1F' --app-id 'org.kde.konsole' \
    window --title 'Settings' --app-id 'org.kde.konsole' --parent 0
  native_pid=$CLIENT_PID
  start_client "$x11_helper" --wait-managed window --net-wm-name 'X Editor' --class 'xedit\0XEdit\0' \
    window --net-wm-name 'Save as' --class 'xedit\0XEdit\0' --transient-for 0
  x_pid=$CLIENT_PID x_window=${CLIENT_LINES[0]}
}

# KWin 5 gives an X11 window's class lowercased as its app id, KWin 6 as
# it stands.
x_class=XEdit
[ "$(dpkg-query -W -f='${Version}' kwin-wayland | sed -E 's/^[0-9]+://; s/\..*//')" -ge 6 ] || x_class=xedit

# The listing both kinds of windows give, topmost first.
expected() {
  want_l=$banner want_c=$banner
  list_line want_l 'Save as' "$1" 4 3;            class_line want_c 'Save as' "$x_class"
  list_line want_l 'X Editor' "$1" 3 0;           class_line want_c 'X Editor' "$x_class"
  list_line want_l 'Settings' "$native_pid" 2 1;  class_line want_c 'Settings' 'org.kde.konsole'
  list_line want_l 'Konsole 0x1F' "$native_pid" 1 0; class_line want_c 'Konsole 0x1F' 'org.kde.konsole'
}

# --- Permission checks off: the window list --------------------------------
start_kwin KWIN_WAYLAND_NO_PERMISSION_CHECKS=1
run /L
check "empty desktop" "$banner" 0
windows
# KWin 5 names no process for an X11 window without _NET_WM_PID; KWin 6
# asks XWayland for the client's.
run /L
x_shown=0
grep -q "TID:\$$(printf %X "$x_pid") HWND:\$3 " "$work/out" && x_shown=$x_pid
expected "$x_shown"
check "/L native and XWayland windows with their dialogs" "$want_l" 0
run /C
check "/C titles and app ids" "$want_c" 0
BRISQUEL_DESKTOP=kde run /C
check "BRISQUEL_DESKTOP=kde" "$want_c" 0

# /F: one table, ARGS | the windows found (title PID HWND).
while IFS='|' read -r args found; do
  want=$banner$heading
  for arg in $args; do want+="    [$arg]"$'\r\n'; done
  rc=0
  while read -r title pid hwnd; do
    [ -n "$title" ] || continue
    found_line want "${title//_/ }" "$pid" "$hwnd"
    rc=1
  done <<<"${found//;/$'\n'}"
  # shellcheck disable=SC2086
  run /F $args
  check "/F $args" "$want  ErrorLevel($rc)"$'\r\n' "$rc"
done <<EOF2
konsole|Konsole_0x1F $native_pid 1
editor|X_Editor $x_shown 3
as settings|Save_as $x_shown 4;Settings $native_pid 2
nothing-here|
EOF2

# Memory running out anywhere, the library's loading included, ends as out
# of memory: an open native window is never reported not found (0), nor
# the list lost (2), nor XWayland's windows taken in its place.
injector=$build/tests/e2e/alloc_fail/liballoc_fail.so
source "$here/../alloc_fail/sweep_lib.sh"
sweep_launcher=(in_session)
sweep "/F a native window on KWin, out of memory" 1 /F konsole
sweep_summary "kde allocation sweep"

# 1,000 windows: every one listed, in stacking order. The X11 windows,
# opened before them, are raised above them by a pager's request, so that
# the stacking order is not the order the windows opened in.
stop_pid "$native_pid"
CLIENT_TIMEOUT=120 start_client "$toplevels" many 1000 'Window '
as_user env DISPLAY="$DISPLAY" wmctrl -i -a "0x$x_window"
raised() { run /L && sed -n 2p "$work/out" | grep -q '^  \[Save as '; }
wait_for 10 "KWin to raise the X11 windows" raised || true
{ printf '%s\n' 'Save as' 'X Editor'; seq 1000 -1 1 | sed 's/^/Window /'; } >"$work/want_titles"
sed -n 's/^  \[\(.*[^ ]\) *\] TID:.*/\1/p' "$work/out" >"$work/titles"
cmp -s "$work/titles" "$work/want_titles" ||
  fail "1,000 windows: $(wc -l <"$work/titles") listed, or out of stacking order: $(head -n 3 "$work/titles" | tr '\n' ' ')"
[ "$(cat "$work/rc")" -eq 0 ] || fail "1,000 windows: exit code $(cat "$work/rc")"
stop_pid "$CLIENT_PID"
stop_pid "$x_pid"

# A stopped KWin: the run gives up after 10 seconds with exit 2.
start_client "$toplevels" window --title 'Steady'
kill -STOP "$KWIN_PID"
run /F Steady
check "stopped KWin" "$banner$heading"$'    [Steady]\r\n' 2 \
  "brisquel: no answer for 10 seconds from Wayland display \"$WAYLAND_DISPLAY\""$'\r\n'
# Killed once the program is connected: exit 2 at once.
spawn_as_user env XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" WAYLAND_DISPLAY="$WAYLAND_DISPLAY" DISPLAY="$DISPLAY" \
  timeout 20 "$bin" /L >"$work/out" 2>"$work/err" &
victim=$!
wait_for 10 "the program to connect" connected_under "$victim" || fail "the program did not connect"
kill -KILL "$KWIN_PID"
rc=0
wait "$victim" || rc=$?
echo "$rc" >"$work/rc"
check "KWin killed during the walk" "$banner" 2 \
  "brisquel: lost the connection to Wayland display \"$WAYLAND_DISPLAY\""$'\r\n'
stop_kwins

# --- Permission checks on: the grant and its refusal -----------------------
KWIN_GRANTED=$bin start_kwin
windows
[ "$x_shown" -eq 0 ] || x_shown=$x_pid  # the X11 windows' new owner, where KWin names it
run /L
expected "$x_shown"
check "granted by a .desktop file naming the binary" "$want_l" 0
# A copy of the program that no .desktop file names: XWayland's windows
# only, which are part of the desktop: found is found (1), not found is
# not known (2, no closing line), unless XWayland's windows were asked for.
cp "$bin" "$work/brisquel"
how='install the brisquel package and run /usr/bin/brisquel, or write a .desktop file whose Exec names this program by its full path, with X-KDE-Wayland-Interfaces=org_kde_plasma_window_management'
[ ! -x /usr/bin/brisquel ] ||
  how='this program is not the installed one, /usr/bin/brisquel, which KWin grants it: run /usr/bin/brisquel'
refused="brisquel: KWin on Wayland display \"$WAYLAND_DISPLAY\" did not grant this program its window list ($how); only XWayland's windows were seen, so a window not found may still be open (BRISQUEL_DESKTOP=x11 lists XWayland's windows on purpose)"$'\r\n'
program=$work/brisquel run /F Editor Settings
want=$banner$heading$'    [Editor]\r\n    [Settings]\r\n'
found_line want 'X Editor' "$x_pid" "$((16#${CLIENT_LINES[0]}))"
check "not granted: an XWayland window found" "$want  ErrorLevel(1)"$'\r\n' 1 "$refused"
program=$work/brisquel run /F Konsole
check "not granted: a native window not seen" "$banner$heading"$'    [Konsole]\r\n' 2 "$refused"
program=$work/brisquel BRISQUEL_DESKTOP=x11 run /F Konsole
check "not granted: BRISQUEL_DESKTOP=x11 lists XWayland's windows" \
  "$banner$heading"$'    [Konsole]\r\n  ErrorLevel(0)\r\n' 0
program=$work/brisquel BRISQUEL_DESKTOP=kde run /L
check "not granted: BRISQUEL_DESKTOP=kde" "$banner" 2 \
  "brisquel: desktop \"kde\" (KWin) did not grant this program its window list ($how)"$'\r\n'
stop_kwins

if [ "$failures" -ne 0 ]; then
  echo "kde end-to-end: $failures failed" >&2
  exit 1
fi
echo "kde end-to-end: all passed" >&2
