#!/usr/bin/env bash
# End-to-end checks of the Linux program on Wayland desktops: a headless
# sway with native and XWayland windows, a display without the
# foreign-toplevel protocol, a stopped and a killed compositor. Exact output
# bytes and exit codes.
# Usage: wayland_test.sh PATH/TO/brisquel BUILD_DIR
#   (BUILD_DIR holds tests/e2e/wayland and tests/e2e/x11 helpers)
set -euo pipefail
bin=$(realpath "$1")
build=$(realpath "$2")
toplevels=$build/tests/e2e/wayland/wl_toplevels
bare=$build/tests/e2e/wayland/bare_compositor
x11_helper=$build/tests/e2e/x11/x11_windows
source "$(dirname "$0")/../../../scripts/desktops/labwc.sh"
work=$(mktemp -d)
chmod 755 "$work"
trap 'stop_sessions; rm -rf "$work"' EXIT
failures=0
export LC_ALL=C  # bytes stay bytes; cols counts characters

source "$(dirname "$0")/../checks.sh"
banner_of "$bin"
heading=$'  Searching for windows containing following text:\r\n'

# run ARGS...: the program, as the session's clients run it, with stdout,
# stderr and exit code in $work. The environment is the session's unless
# the caller has changed it.
run() { run_in_session "$bin" "$@"; }

# On Wayland the protocol names no thread or process: TID and PID are 0.

# The compositor makes each toplevel's object at the bind, in the order it
# announces them; the client numbers them from 0xFF000000 in that order.
handle() { echo $((0xFF000000 + $1)); }

# --- No display needed ------------------------------------------------------
session_dir
XDG_RUNTIME_DIR=$SESSION_DIR
WAYLAND_DISPLAY=wayland-unused DISPLAY= run /M
check "/M needs no display" "$banner" 0

# --- A display that is no compositor, and one without the protocol --------
for mode in /L "/F x"; do
  want=$banner
  [ "$mode" = "/F x" ] && want+=$heading$'    [x]\r\n'
  # shellcheck disable=SC2086
  WAYLAND_DISPLAY=wayland-unused DISPLAY= run $mode
  check "no compositor, no DISPLAY, $mode" "$want" 2 \
    $'brisquel: DISPLAY is not set, and cannot open Wayland display "wayland-unused"\r\n'
done
start_client "$bare" bare-0
WAYLAND_DISPLAY=bare-0 DISPLAY= run /C
check "no foreign-toplevel, no DISPLAY" "$banner" 2 \
  $'brisquel: DISPLAY is not set, and no window list (foreign-toplevel) on Wayland display "bare-0"\r\n'
bare_dir=$XDG_RUNTIME_DIR

# A compositor with only the ext-foreign-toplevel list: asked when the wlr
# one is missing; it names no parent, process or thread.
start_client "$bare" ext-0 --ext 'Editor' 'org.example.Editor' --ext 'Mail 0x1F' 'mail 0x2A' --ext '' 'untitled'
want_l=$banner want_c=$banner
list_line want_l 'Editor' 0 "$(handle 0)" 0;    class_line want_c 'Editor' 'org.example.Editor'
list_line want_l 'Mail 0x1F' 0 "$(handle 1)" 0; class_line want_c 'Mail 0x1F' 'mail'
WAYLAND_DISPLAY=ext-0 DISPLAY= run /L
check "ext list: /L" "$want_l" 0
WAYLAND_DISPLAY=ext-0 DISPLAY= run /C
check "ext list: /C" "$want_c" 0
WAYLAND_DISPLAY=ext-0 DISPLAY= run /F mail
want=$banner$heading$'    [mail]\r\n'
found_line want 'Mail 0x1F' 0 "$(handle 1)"
check "ext list: /F" "$want"$'  ErrorLevel(1)\r\n' 1
WAYLAND_DISPLAY=bare-0 DISPLAY= BRISQUEL_DESKTOP=ext run /L
check "BRISQUEL_DESKTOP=ext without the list" "$banner" 2 \
  $'brisquel: no window list (foreign-toplevel) on Wayland display "bare-0"\r\n'

# --- sway with native and XWayland windows ---------------------------------
start_sway
run /L
check "empty desktop" "$banner" 0

long=$(printf 'L%.0s' {1..300})
start_client "$toplevels" \
  window --title 'Untitled - Notepad' --app-id 'notepad' \
  window --title 'Calculator' --app-id 'SciCalc 0x1A2B' \
  window --title $'Gr\xc3\xbc\xc3\x9fe \xe2\x9c\x93' --app-id $'caf\xc3\xa9' \
  window --title "$long" --app-id "$long" \
  window --title 'Twin' \
  window --title 'Twin' --app-id 'word 0X12' \
  window --title 'Dialog' --parent 1 \
  window --title '' --app-id 'empty title' \
  window --app-id 'no title'
native_pid=$CLIENT_PID
start_client "$x11_helper" window --net-wm-name 'X Editor' --class 'xedit\0XEdit\0'
x_pid=$CLIENT_PID x_window=$((16#${CLIENT_LINES[0]}))
# sway announces an XWayland window once XWayland has mapped it, a little
# after the client is ready, later on a busy machine: wait (at most 10 s).
x_listed() { run /L; grep -q '^  \[X Editor ' "$work/out"; }
wait_for 10 "sway to announce the XWayland window" x_listed || true

# sway 1.7 and 1.10 announce the newest toplevel first, 1.12 the oldest
# first; untitled toplevels take a handle too, but are not listed. sway
# sends no parent events. The toplevels, newest first: PLACE TITLE CLASS.
listed=(0 'X Editor' 'XEdit'
        3 'Dialog' ''
        4 'Twin' 'word 0X12'
        5 'Twin' ''
        6 "${long:0:254}" "${long:0:254}"
        7 $'Gr\xc3\xbc\xc3\x9fe \xe2\x9c\x93' $'caf\xc3\xa9'
        8 'Calculator' 'SciCalc'
        9 'Untitled - Notepad' 'notepad')
newest_first=1
sway_version=$(sway --version | grep -oE '[0-9]+\.[0-9]+' | head -n 1)
[ "${sway_version%%.*}" -eq 1 ] && [ "${sway_version#*.}" -lt 12 ] || newest_first=0
# in_order: the indices in listed of the toplevels in the order sway announces them.
in_order() {
  local i
  if [ "$newest_first" = 1 ]; then
    for ((i = 0; i < ${#listed[@]}; i += 3)); do echo "$i"; done
  else
    for ((i = ${#listed[@]} - 3; i >= 0; i -= 3)); do echo "$i"; done
  fi
}
# spot PLACE: the toplevel's handle, counted in the order sway announces them.
spot() { [ "$newest_first" = 1 ] && handle "$1" || handle $((9 - $1)); }
# found VAR TITLE...: the found lines of the listed toplevels with those titles.
found() {
  local var=$1 i t
  shift
  for i in $(in_order); do
    for t in "$@"; do
      [ "${listed[i + 1]}" != "$t" ] || found_line "$var" "$t" 0 "$(spot "${listed[i]}")"
    done
  done
}
want_l=$banner want_c=$banner
for i in $(in_order); do
  list_line want_l "${listed[i + 1]}" 0 "$(spot "${listed[i]}")" 0
  class_line want_c "${listed[i + 1]}" "${listed[i + 2]}"
done
run /L
check "/L lists native and XWayland toplevels" "$want_l" 0
run /C
check "/C titles and app_ids" "$want_c" 0

run /F calc '  EDIT'
want=$banner$heading$'    [calc]\r\n    [  EDIT]\r\n'
found want 'X Editor' 'Calculator'
check "/F several texts, native and XWayland" "$want"$'  ErrorLevel(1)\r\n' 1
run -f 'x editor'
want=$banner$heading$'    [x editor]\r\n'
found want 'X Editor'
check "/F an XWayland window" "$want"$'  ErrorLevel(1)\r\n' 1
run /F $'\xc3\xbc\xc3\x9f'
want=$banner$heading$'    [\xc3\xbc\xc3\x9f]\r\n'
found want $'Gr\xc3\xbc\xc3\x9fe \xe2\x9c\x93'
check "/F a non-ASCII title" "$want"$'  ErrorLevel(1)\r\n' 1
run /F nothing-like-it 'empty title'
check "/F no match (app_ids are not searched)" \
  "$banner$heading"$'    [nothing-like-it]\r\n    [empty title]\r\n  ErrorLevel(0)\r\n' 0

# The fallback: a compositor without the protocol, XWayland's DISPLAY.
XDG_RUNTIME_DIR=$bare_dir WAYLAND_DISPLAY=bare-0 run /F 'X Editor' Calculator
want=$banner$heading$'    [X Editor]\r\n    [Calculator]\r\n'
found_line want 'X Editor' "$x_pid" "$x_window"
check "no foreign-toplevel: X11 windows only" "$want"$'  ErrorLevel(1)\r\n' 1 \
  $'brisquel: no window list (foreign-toplevel) on Wayland display "bare-0"; only XWayland\'s windows were seen, so a window not found may still be open (BRISQUEL_DESKTOP=x11 lists XWayland\'s windows on purpose)\r\n'
# Not found among part of the desktop is no answer: exit 2, no ErrorLevel line.
WAYLAND_DISPLAY=wayland-unused run /F Calculator
check "no compositor: X11 windows only, not found" "$banner$heading"$'    [Calculator]\r\n' 2 \
  $'brisquel: cannot open Wayland display "wayland-unused"; only XWayland\'s windows were seen, so a window not found may still be open (BRISQUEL_DESKTOP=x11 lists XWayland\'s windows on purpose)\r\n'
# Asked for on purpose, XWayland's windows are the whole answer.
BRISQUEL_DESKTOP=x11 run /F Calculator
check "BRISQUEL_DESKTOP=x11, not found" "$banner$heading"$'    [Calculator]\r\n  ErrorLevel(0)\r\n' 0 ''

# BRISQUEL_DESKTOP: only the desktop it names is asked, never another in its
# place.
want=$banner$heading$'    [X Editor]\r\n    [Calculator]\r\n'
found_line want 'X Editor' "$x_pid" "$x_window"
BRISQUEL_DESKTOP=x11 run /F 'X Editor' Calculator
check "BRISQUEL_DESKTOP=x11: XWayland's windows on purpose" "$want"$'  ErrorLevel(1)\r\n' 1
XDG_RUNTIME_DIR=$bare_dir WAYLAND_DISPLAY=bare-0 BRISQUEL_DESKTOP=wlr run /L
check "BRISQUEL_DESKTOP=wlr without the protocol: no fallback" "$banner" 2 \
  $'brisquel: no window list (foreign-toplevel) on Wayland display "bare-0"\r\n'
# sway offers some of KWin's globals (org_kde_kwin_idle, server decorations),
# not its window list: no line names KWin.
BRISQUEL_DESKTOP=kde run /L
check "BRISQUEL_DESKTOP=kde on sway" "$banner" 2 \
  $'brisquel: no window list from desktop "kde" (this compositor is not KWin: it offers no KDE window list)\r\n'
BRISQUEL_DESKTOP=Wayland run /L
check "BRISQUEL_DESKTOP unknown" "$banner" 2 \
  $'brisquel: unknown desktop "Wayland" in BRISQUEL_DESKTOP; the known ones: x11, wlr, kde, ext, gnome\r\n'
# sway 1.10 and later offer the ext list beside the wlr one: the same titles
# through it, with PID and PAR 0 (sway gives XWayland windows no app id
# there, so only the titles are compared). Older sway offers none.
titles() { sed 's/\] \[.*//' "$work/out" | sort; }
run /C
titles >"$work/wlr_titles"
BRISQUEL_DESKTOP=ext run /C
if [ "$(cat "$work/rc")" -eq 0 ]; then
  titles | cmp -s - "$work/wlr_titles" ||
    fail "BRISQUEL_DESKTOP=ext: other titles than the wlr list's: $(titles | diff "$work/wlr_titles" - | od -c | head -20)"
  BRISQUEL_DESKTOP=ext run /L
  [ "$(grep -vc 'PID:\$0 PAR:\$0.$' "$work/out")" -eq 1 ] || fail "BRISQUEL_DESKTOP=ext: a PID or PAR not 0"
else
  check "BRISQUEL_DESKTOP=ext on a sway without the list" "$banner" 2 \
    "brisquel: no window list (foreign-toplevel) on Wayland display \"$WAYLAND_DISPLAY\""$'\r\n'
fi
# Memory running out anywhere, the library's loading included, ends as out
# of memory: an open native window is never reported not found (0), nor its
# list lost (2), nor the X11 windows taken in its place.
injector=$build/tests/e2e/alloc_fail/liballoc_fail.so
source "$(dirname "$0")/../alloc_fail/sweep_lib.sh"
sweep_launcher=(in_session)
sweep "/F a native window, out of memory" 1 /F Calculator
sweep_summary "wayland allocation sweep"
stop_pid "$native_pid"
stop_pid "$x_pid"

# Scale: every one of 500 toplevels is listed.
CLIENT_TIMEOUT=120 start_client "$toplevels" many 500 'Window '
run /L
[ "$(grep -c '^  \[Window [0-9]*  *\] TID:\$0 HWND:\$FF000[0-9A-F]* PID:\$0 PAR:\$0' "$work/out")" -eq 500 ] ||
  fail "500 toplevels: $(wc -l <"$work/out") lines"
stop_pid "$CLIENT_PID"
# sway 1.10 is busy for a minute or more closing them (see sway_settle);
# the next cases need a compositor that serves clients again.
sway_settle 300 || fail "sway busy after closing 500 toplevels"

# Toplevels that close during the run are left out without a word.
start_client "$toplevels" window --title 'Steady'
start_client "$toplevels" --churn 'Churn' window --title 'Churn'
for _ in $(seq 20); do
  run /L
  grep -v '^  \[Churn  *\] TID:' "$work/out" >"$work/steady" || true
  mv "$work/steady" "$work/out"
  # Steady's handle follows the churning ones, so only its text is compared.
  sed -i 's/HWND:\$FF[0-9A-F]*/HWND:$H/' "$work/out"
  check "toplevels closing under the walk" "$banner"$'  [Steady                      ] TID:$0 HWND:$H PID:$0 PAR:$0\r\n' 0
done

# A stopped compositor: the run gives up after 10 seconds with exit 2.
kill -STOP "$SWAY_PID"
run /F Steady
check "stopped compositor" "$banner$heading"$'    [Steady]\r\n' 2 \
  "brisquel: no answer for 10 seconds from Wayland display \"$WAYLAND_DISPLAY\""$'\r\n'

# A compositor killed while the program waits for it: exit 2 at once.
# The program is started against the stopped compositor, and the
# compositor is killed once the program is connected to it.
spawn_as_user env XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" WAYLAND_DISPLAY="$WAYLAND_DISPLAY" DISPLAY="$DISPLAY" \
  timeout 20 "$bin" /L >"$work/out" 2>"$work/err" &
victim=$!
wait_for 10 "the program to connect" connected_under "$victim" || fail "the program did not connect"
kill -KILL "$SWAY_PID"
wait "$SWAY_PID" 2>/dev/null || true
rc=0
wait "$victim" || rc=$?
echo "$rc" >"$work/rc"
check "compositor killed during the walk" "$banner" 2 \
  "brisquel: lost the connection to Wayland display \"$WAYLAND_DISPLAY\""$'\r\n'
stop_sessions

# --- labwc, where the release has it ---------------------------------------
# labwc offers both lists and the automatic choice takes the wlr one. It
# sends no parent events. Before 0.9 (wlroots 0.18) it announces the newest
# toplevel first and gives an XWayland window its WM_CLASS instance as app
# id; from 0.9 (wlroots 0.19) the oldest first, and the class part. The ext
# list gives the same titles and classes.
if command -v labwc >/dev/null; then
  start_labwc
  wait_for 10 "XWayland's window manager" x_window_manager_up "$DISPLAY" || fail "labwc: no X window manager"
  start_client "$toplevels" window --title 'Mail' --app-id 'mail' window --title 'Mail - Compose' --parent 0
  start_client "$x11_helper" window --net-wm-name 'X Editor' --class 'xedit\0XEdit\0'
  wait_for 10 "labwc to announce the XWayland window" x_listed || true
  labwc_version=$(labwc --version | grep -oE '[0-9]+\.[0-9]+' | head -n 1)
  # The toplevels in the order labwc announces them, their handles counted
  # in that order: TITLE CLASS.
  listed=('Mail' 'mail' 'Mail - Compose' '' 'X Editor' 'XEdit')
  if [ "${labwc_version%%.*}" -eq 0 ] && [ "${labwc_version#*.}" -lt 9 ]; then
    listed=('X Editor' 'xedit' 'Mail - Compose' '' 'Mail' 'mail')
  fi
  want_l=$banner want_c=$banner
  for ((i = 0; i < ${#listed[@]}; i += 2)); do
    list_line want_l "${listed[i]}" 0 "$(handle $((i / 2)))" 0
    class_line want_c "${listed[i]}" "${listed[i + 1]}"
  done
  run /L
  check "labwc: /L" "$want_l" 0
  run /C
  check "labwc: /C" "$want_c" 0
  BRISQUEL_DESKTOP=ext run /C
  check "labwc: the ext list" "$want_c" 0
  run /F compose editor
  want=$banner$heading$'    [compose]\r\n    [editor]\r\n'
  for ((i = 0; i < ${#listed[@]}; i += 2)); do
    [ "${listed[i]}" = Mail ] || found_line want "${listed[i]}" 0 "$(handle $((i / 2)))"
  done
  check "labwc: /F" "$want"$'  ErrorLevel(1)\r\n' 1
  run /F nothing-like-it
  check "labwc: /F no match, the whole desktop seen" "$banner$heading"$'    [nothing-like-it]\r\n  ErrorLevel(0)\r\n' 0
  stop_sessions
fi

if [ "$failures" -ne 0 ]; then
  echo "wayland end-to-end: $failures failed" >&2
  exit 1
fi
echo "wayland end-to-end: all passed" >&2
