#!/usr/bin/env bash
# End-to-end checks of the Linux program on headless GNOME Shell (43 on
# Debian 12, 48 on Debian 13, 50 on testing, 51 on unstable) through the
# project's shell extension: a native Wayland window and an XWayland
# window, each with a dialog; another caller refused; the extension
# disabled, not installed, not loaded yet, out of date and in error (the
# line and XWayland's windows, part of the desktop: exit 2 where nothing is
# found); a stopped shell. Exact output bytes and exit codes.
# Usage: gnome_test.sh PATH/TO/brisquel BUILD_DIR
#   (BUILD_DIR holds the extensions made for BIN and the test clients)
set -euo pipefail
bin=$(realpath "$1")
build=$(realpath "$2")
toplevels=$build/tests/e2e/wayland/wl_toplevels
x11_helper=$build/tests/e2e/x11/x11_windows
extensions=$build/gnome-shell/extensions
source "$(dirname "$0")/../../../scripts/desktops/gnome.sh"
work=$(mktemp -d)
chmod 755 "$work"
trap 'stop_sessions; rm -rf "$work"' EXIT
failures=0
export LC_ALL=C

source "$(dirname "$0")/../checks.sh"
banner_of "$bin"
heading=$'  Searching for windows containing following text:\r\n'

# The form of the extension that this GNOME Shell loads.
major=$(gnome-shell --version | sed -nE 's/^GNOME Shell ([0-9]+).*/\1/p')
uuid=brisquel@brisquel
[ "$major" -ge 45 ] || uuid=brisquel-legacy@brisquel

# run [BIN=...] ARGS...: the program (or another executable) as the
# session's clients run it; stdout, stderr and exit code in $work.
run() {
  local program=$bin
  if [[ $1 == BIN=* ]]; then program=${1#BIN=}; shift; fi
  run_in_session "$program" "$@"
}

# The extension made here names this shell's version.
grep -q "\"shell-version\": \[.*\"$major\"" "$extensions/$uuid/metadata.json" ||
  fail "$uuid does not name GNOME Shell $major: $(cat "$extensions/$uuid/metadata.json")"

# --- The extension enabled ---------------------------------------------------
start_gnome "$extensions" "['$uuid']"
start_client "$toplevels" window --title 'Native Editor' --app-id 'org.example.Editor' \
  window --title 'Native Dialog' --parent 0
native_pid=$CLIENT_PID
start_client env XAUTHORITY="$XAUTHORITY" "$x11_helper" window --net-wm-name 'X Editor' --class 'xedit\0XEdit\0' \
  window --net-wm-name 'X Dialog' --class 'xdialog\0XDialog\0' --transient-for 0
x_pid=$CLIENT_PID x_editor=$((16#${CLIENT_LINES[0]})) x_dialog=$((16#${CLIENT_LINES[1]}))

# Topmost first, each dialog right above its window. Which client is on top
# is the shell's choice (43 puts the newer one there, 48 the older one), so
# it is read from the listing, as the Wayland windows' handles are (0xFF000000 plus the shell's number for each, which depends on
# what the shell made before); the rest of the bytes are compared exactly.
# XWayland's windows are stacked once XWayland has mapped them, a little
# after the client is ready: wait (at most 10 s) for a settled order.
titles() { sed -nE 's/^  \[([A-Za-z ]*[a-z]) *\] TID:.*/\1/p' "$work/out" | paste -sd,; }
settled() {
  run /L
  case $(titles) in
    'X Dialog,X Editor,Native Dialog,Native Editor' | 'Native Dialog,Native Editor,X Dialog,X Editor') ;;
    *) return 1 ;;
  esac
}
wait_for 10 "a settled stacking order" settled || true
run /L
order=$(titles)
handle_of() { echo $((16#$(sed -nE "s/^  \[$1 *\] TID:\\\$[0-9A-F]+ HWND:\\\$(FF[0-9A-F]{6}) .*/\1/p" "$work/out"))); }
native_editor=$(handle_of 'Native Editor')
native_dialog=$(handle_of 'Native Dialog')

want_l=$banner want_c=$banner
add_x() {
  list_line want_l 'X Dialog' "$x_pid" "$x_dialog" "$x_editor"; class_line want_c 'X Dialog' 'XDialog'
  list_line want_l 'X Editor' "$x_pid" "$x_editor" 0;           class_line want_c 'X Editor' 'XEdit'
}
add_native() {
  list_line want_l 'Native Dialog' "$native_pid" "$native_dialog" "$native_editor"
  class_line want_c 'Native Dialog' ''
  list_line want_l 'Native Editor' "$native_pid" "$native_editor" 0
  class_line want_c 'Native Editor' 'org.example.Editor'
}
if [[ $order == X* ]]; then add_x; add_native; else add_native; add_x; fi
check "/L native and XWayland windows with dialogs" "$want_l" 0
run /C
check "/C titles and classes" "$want_c" 0

# /F: TEXT | the windows found (title:pid:handle;...) | exit code.
dialogs="X Dialog:$x_pid:$x_dialog;Native Dialog:$native_pid:$native_dialog"
[[ $order == X* ]] || dialogs="Native Dialog:$native_pid:$native_dialog;X Dialog:$x_pid:$x_dialog"
found_cases=(
  "native editor|Native Editor:$native_pid:$native_editor|1"
  "X Editor|X Editor:$x_pid:$x_editor|1"
  "dialog|$dialogs|1"
  "nothing-like-it|none|0"
)
for case in "${found_cases[@]}"; do
  IFS='|' read -r text found level <<<"$case"
  want=$banner$heading"    [$text]"$'\r\n'
  IFS=';' read -ra windows <<<"${found/#none/}"
  for window in "${windows[@]}"; do
    IFS=: read -r title pid handle <<<"$window"
    found_line want "$title" "$pid" "$handle"
  done
  run /F "$text"
  check "/F $text" "$want  ErrorLevel($level)"$'\r\n' "$level"
done

# Memory running out anywhere, sd-bus's loading included, ends as out of
# memory: an open native window is never reported not found (0), nor the
# list lost (2), nor XWayland's windows taken in its place.
injector=$build/tests/e2e/alloc_fail/liballoc_fail.so
source "$(dirname "$0")/../alloc_fail/sweep_lib.sh"
sweep_launcher=(in_session)
sweep "/F a native window on GNOME Shell, out of memory" 1 /F 'native editor'
sweep_summary "gnome allocation sweep"

# Another caller is refused: a D-Bus client, and this very program at
# another path, which falls back to XWayland's windows.
as_user env DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" timeout 5 gdbus call --session \
  --dest org.brisquel.WindowList --object-path /org/brisquel/WindowList \
  --method org.brisquel.WindowList.ListWindows >"$work/out" 2>&1 && fail "gdbus was answered"
grep -q 'org.freedesktop.DBus.Error.AccessDenied' "$work/out" || fail "gdbus: $(cat "$work/out")"

# Where only XWayland's windows are seen: a window found there is found
# (exit 1); the native one, not seen, is no "not found" (exit 2, the line,
# no ErrorLevel line); a listing ends with 2 too; BRISQUEL_DESKTOP=x11 asks
# for XWayland's windows alone, a whole answer (0, no line).
# partial_rows NAME LINE [BIN=...]
only_xwayland="; only XWayland's windows were seen, so a window not found may still be open (BRISQUEL_DESKTOP=x11 lists XWayland's windows on purpose)"
partial_rows() {
  local name=$1 line=$2 want; shift 2
  want=$banner$heading$'    [Native Editor]\r\n    [X Editor]\r\n'
  found_line want 'X Editor' "$x_pid" "$x_editor"
  run "$@" /F 'Native Editor' 'X Editor'
  check "$name: /F both, the XWayland one found" "$want"$'  ErrorLevel(1)\r\n' 1 "$line"
  want=$banner$heading$'    [X Editor]\r\n'
  found_line want 'X Editor' "$x_pid" "$x_editor"
  run "$@" /F 'X Editor'
  check "$name: /F the XWayland window" "$want"$'  ErrorLevel(1)\r\n' 1 "$line"
  run "$@" /F 'Native Editor'
  check "$name: /F the native window, not seen" "$banner$heading"$'    [Native Editor]\r\n' 2 "$line"
  want=$banner
  list_line want 'X Dialog' "$x_pid" "$x_dialog" "$x_editor"
  list_line want 'X Editor' "$x_pid" "$x_editor" 0
  run "$@" /L
  sed -i -n '1p;/^  \[X /p' "$work/out"  # mutter's own X11 windows left out
  check "$name: /L XWayland's windows" "$want" 2 "$line"
  BRISQUEL_DESKTOP=x11 run "$@" /F 'Native Editor'
  check "$name: BRISQUEL_DESKTOP=x11 /F the native window" "$banner$heading"$'    [Native Editor]\r\n  ErrorLevel(0)\r\n' 0
}

# The program copied elsewhere: the line names the program to run.
cp "$bin" "$work/other"
partial_rows "another program at another path" \
  "brisquel: GNOME Shell on Wayland display \"$WAYLAND_DISPLAY\" refused its window list: its brisquel extension answers only $bin, not this program ($work/other); run $bin$only_xwayland"$'\r\n' \
  BIN="$work/other"

# --- The extension not enabled, not installed, not loaded yet ----------------
# Each: the line with the commands, then XWayland's windows.
hint() { echo "brisquel: no window list from GNOME Shell on Wayland display \"$WAYLAND_DISPLAY\": its extension $uuid $1${2-$only_xwayland}"$'\r'; }
want_x=$banner$heading$'    [Native Editor]\r\n    [X Editor]\r\n'
found_line want_x 'X Editor' "$x_pid" "$x_editor"
want_x+=$'  ErrorLevel(1)\r\n'
enable="run \`gnome-extensions enable $uuid\`, then log out and in"
gnome_call org.gnome.Shell.Extensions.DisableExtension "$uuid" >/dev/null || fail "could not disable $uuid"
partial_rows "extension disabled" "$(hint "is not enabled; $enable")"$'\n'
BRISQUEL_DESKTOP=gnome run /L
check "extension disabled, BRISQUEL_DESKTOP=gnome" "$banner" 2 \
  "$(hint "is not enabled; $enable" '')"$'\n'

# Enabled again, the extension answers at once.
gnome_call org.gnome.Shell.Extensions.EnableExtension "$uuid" >/dev/null || fail "could not enable $uuid"
native_listed() { run /L; grep -q '^  \[Native Editor ' "$work/out"; }
wait_for 10 "the extension to answer again" native_listed || fail "the extension did not answer again"

# A stopped shell: exit 2 within the bound, from the Wayland display (asked
# first for its own window list) or, when chosen, from the shell.
kill -STOP "$SHELL_PID"
run /F 'Native Editor'
check "stopped shell" "$banner$heading"$'    [Native Editor]\r\n' 2 \
  "brisquel: no answer for 10 seconds from Wayland display \"$WAYLAND_DISPLAY\""$'\r\n'
BRISQUEL_DESKTOP=gnome run /L
check "stopped shell, BRISQUEL_DESKTOP=gnome" "$banner" 2 \
  "brisquel: no answer for 10 seconds from GNOME Shell on Wayland display \"$WAYLAND_DISPLAY\""$'\r\n'

# The session bus gone while the program waits for the stopped shell: exit
# 2 at once. The program (a child of timeout) is started, and the bus is
# stopped once the program has its connection to it.
spawn_as_user env HOME="$SESSION_HOME" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" WAYLAND_DISPLAY="$WAYLAND_DISPLAY" \
  DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" BRISQUEL_DESKTOP=gnome \
  timeout 20 "$bin" /L >"$work/out" 2>"$work/err" &
victim=$!
wait_for 10 "the program to connect" connected_under "$victim" || fail "the program did not connect"
sleep 0.5  # for its call to go out
stop_pid "$SESSION_BUS_PID"
rc=0
wait "$victim" || rc=$?
echo "$rc" >"$work/rc"
check "session bus gone during the call" "$banner" 2 \
  "brisquel: lost the connection to GNOME Shell on Wayland display \"$WAYLAND_DISPLAY\""$'\r\n'
stop_sessions

mkdir -p "$work/none"
start_gnome "$work/none" "['$uuid']"
start_client env XAUTHORITY="$XAUTHORITY" "$x11_helper" window --net-wm-name 'X Editor' --class 'xedit\0XEdit\0'
x_pid=$CLIENT_PID x_editor=$((16#${CLIENT_LINES[0]}))
want_x=$banner$heading$'    [Native Editor]\r\n    [X Editor]\r\n'
found_line want_x 'X Editor' "$x_pid" "$x_editor"
want_x+=$'  ErrorLevel(1)\r\n'
run /F 'Native Editor' 'X Editor'
check "extension not installed" "$want_x" 1 \
  "$(hint "is not installed; install the brisquel package, $enable")"$'\n'
as_user cp -r "$extensions/$uuid" "$SESSION_HOME/.local/share/gnome-shell/extensions/"
run /F 'Native Editor' 'X Editor'
check "extension installed after the shell started" "$want_x" 1 "$(hint "is not loaded yet; $enable")"$'\n'
stop_sessions

# --- The shell holds the extension out of date, in error, or an older one --
# Out of date: its metadata names another shell's version only. In error:
# its code throws as the shell loads it. Older: it serves the list under
# another method, as one from before this program does until the next
# login. Each: the line (with this shell's version where it matters), the
# XWayland window found, the native one not seen.
for held in out-of-date in-error older; do
  mkdir -p "$work/$held"
  cp -r "$extensions/$uuid" "$work/$held/"
  if [ "$held" = out-of-date ]; then
    sed -i -E 's/"shell-version": \[.*\]/"shell-version": ["40"]/' "$work/$held/$uuid/metadata.json"
    detail="is out of date for GNOME Shell $major; install a brisquel package made for GNOME Shell $major, then log out and in"
  elif [ "$held" = in-error ]; then
    echo "throw new Error('broken on purpose');" >>"$work/$held/$uuid/extension.js"
    detail="is in error on GNOME Shell $major (\`gnome-extensions info $uuid\` says why)"
  else
    sed -i 's/ListWindows/GetWindows/g' "$work/$held/$uuid/extension.js"
    detail="is older than this program; log out and in, and the shell loads the one installed with it"
  fi
  start_gnome "$work/$held" "['$uuid']"
  start_client env XAUTHORITY="$XAUTHORITY" "$x11_helper" window --net-wm-name 'X Editor' --class 'xedit\0XEdit\0'
  x_pid=$CLIENT_PID x_editor=$((16#${CLIENT_LINES[0]}))
  want=$banner$heading$'    [X Editor]\r\n'
  found_line want 'X Editor' "$x_pid" "$x_editor"
  run /F 'X Editor'
  check "extension $held: /F the XWayland window" "$want"$'  ErrorLevel(1)\r\n' 1 "$(hint "$detail")"$'\n'
  run /F 'Native Editor'
  check "extension $held: /F the native window, not seen" "$banner$heading"$'    [Native Editor]\r\n' 2 \
    "$(hint "$detail")"$'\n'
  stop_sessions
done

if [ "$failures" -ne 0 ]; then
  echo "gnome end-to-end: $failures failed" >&2
  exit 1
fi
echo "gnome end-to-end (GNOME Shell $major): all passed" >&2
