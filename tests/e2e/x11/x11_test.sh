#!/usr/bin/env bash
# End-to-end checks of the Linux program against real X desktops (Xvfb),
# without and with a window manager: exact output bytes and exit codes.
# Usage: x11_test.sh PATH/TO/brisquel PATH/TO/x11_windows
set -euo pipefail
bin=$(realpath "$1")
helper=$(realpath "$2")
source "$(dirname "$0")/../../../scripts/desktops/x11.sh"
work=$(mktemp -d)
trap 'stop_desktop; rm -rf "$work"' EXIT
failures=0
export LC_ALL=C  # bytes stay bytes; cols counts characters

source "$(dirname "$0")/../checks.sh"
banner_of "$bin"

# run ARGS...: the program with stdout, stderr and exit code in $work.
run() {
  local rc=0
  timeout 20 "$bin" "$@" >"$work/out" 2>"$work/err" || rc=$?
  echo "$rc" >"$work/rc"
}

heading=$'  Searching for windows containing following text:\r\n'

# stacking_check NAME: on a desktop whose window manager runs, makes two
# managed windows, then an override-redirect and an unmapped one, then two
# more managed ones, so that the unmanaged ones lie between frames, and
# checks the exact order of /L: each frame's client where the window manager
# stacks the frame, every other window in its own place. The order wanted
# is the root's children as xwininfo lists them, topmost first, each frame
# named by the client inside it and the window manager's check window by
# its title.
stacking_check() {
  local name=$1 titles=(Lowest Lower Popup Hidden Higher Highest) ids=() i top parent root
  local check_window want= got id
  start_windows "$helper" --wait-managed window --net-wm-name Lowest window --net-wm-name Lower
  ids+=("${WINDOWS[@]}")
  start_windows "$helper" window --net-wm-name Popup --override-redirect \
    window --net-wm-name Hidden --unmapped
  ids+=("${WINDOWS[@]}")
  start_windows "$helper" --wait-managed window --net-wm-name Higher window --net-wm-name Highest
  ids+=("${WINDOWS[@]}")
  root=$(xwininfo -root | sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p')
  check_window=$(xprop -root _NET_SUPPORTING_WM_CHECK | sed -n 's/.*# \(0x[0-9a-f]*\).*/\1/p')
  local -A title_of=()
  # The check window is titled only by a window manager that names itself.
  [ "$name" = evilwm ] && title_of[$((check_window))]=evilwm
  for i in "${!ids[@]}"; do
    top=$((16#${ids[i]}))
    for _ in 1 2 3 4 5; do
      parent=$(xwininfo -id "$top" -children | sed -n 's/^ *Parent window id: \(0x[0-9a-f]*\).*/\1/p')
      [ "$((parent))" -eq "$((root))" ] && break
      top=$((parent))
    done
    title_of[$top]=${titles[i]}
  done
  while read -r id; do
    if [ -n "${title_of[$((id))]:-}" ]; then want+="${title_of[$((id))]}"$'\n'; fi
  done < <(xwininfo -root -children | sed -n 's/^ *\(0x[0-9a-f]*\) .*/\1/p')
  run /L
  got=$(tail -n +2 "$work/out" | sed 's/^  \[\([^]]*[^ ]\) *\].*/\1/')
  [ "$got"$'\n' = "$want" ] && [ "$(cat "$work/rc")" -eq 0 ] ||
    fail "stacking order ($name): got $(printf '%s' "$got" | tr '\n' ,) want $(printf '%s' "$want" | tr '\n' ,)"
}

# --- No display -------------------------------------------------------------
unused=99
while [ -e "/tmp/.X11-unix/X$unused" ] || [ -e "/tmp/.X$unused-lock" ]; do unused=$((unused + 1)); done
for mode in /L /C "/F x"; do
  # shellcheck disable=SC2086
  env -u DISPLAY -u WAYLAND_DISPLAY bash -c 'timeout 20 "$0" "$@" >"'"$work"'/out" 2>"'"$work"'/err"; echo $? >"'"$work"'/rc"' "$bin" $mode
  want=$banner
  [ "$mode" = "/F x" ] && want+=$'  Searching for windows containing following text:\r\n    [x]\r\n'
  check "no DISPLAY, $mode" "$want" 2 $'brisquel: cannot open display (neither WAYLAND_DISPLAY nor DISPLAY is set)\r\n'
  DISPLAY=":$unused" run $mode
  check "display :$unused absent, $mode" "$want" 2 "brisquel: cannot open display \":$unused\""$'\r\n'
done
env -u DISPLAY bash -c 'timeout 20 "$0" /M >"'"$work"'/out" 2>"'"$work"'/err"; echo $? >"'"$work"'/rc"' "$bin"
check "no DISPLAY, /M needs none" "$banner" 0

# --- A desktop without a window manager -------------------------------------
start_xvfb

run /L
check "empty desktop" "$banner" 0

# The worked example: Calculator above Untitled - Notepad (made last, so topmost).
start_windows "$helper" \
  window --net-wm-name 'Untitled - Notepad' --class 'notepad\0Notepad\0' \
  window --net-wm-name 'Calculator' --class 'calc\0SciCalc\0'
notepad=$((16#${WINDOWS[0]})) calc=$((16#${WINDOWS[1]})) pid=$WINDOWS_PID
run /F calc '  EDIT'
want=$banner$heading$'    [calc]\r\n    [  EDIT]\r\n'
found_line want Calculator "$pid" "$calc"
check "worked example" "$want"$'  ErrorLevel(1)\r\n' 1
run /f nothing-like-it
check "no match" "$banner$heading"$'    [nothing-like-it]\r\n  ErrorLevel(0)\r\n' 0
run -L
want=$banner
list_line want Calculator "$pid" "$calc" 0
list_line want 'Untitled - Notepad' "$pid" "$notepad" 0
check "the walk goes topmost first" "$want" 0
stop_windows

# Every kind of window the listings must get right, made bottom to top.
long=$(printf 'L%.0s' {1..300})
start_windows "$helper" \
  window --net-wm-name $'Gr\xc3\xbc\xc3\x9fe \xe2\x9c\x93' --class 'utf\0Utf8\0' \
  window --wm-name 'caf\xe9 cr\xe8me' --class 'latin\0Latin 0x1A2B\0' \
  window --wm-name-utf8 $'na\xc3\xafve' --class 'inst\0\0' \
  window --net-wm-name 'Preferred' --wm-name 'Not this' --pid 0x1234 --class 'p\0 0x34\0' \
  window --net-wm-name '' --wm-name 'Fallback' --class 'f\0word 0X12\0' \
  window --net-wm-name 'Owned dialog' --transient-for 3 --class 'a\0Dlg 0x1 B 0x2\0' \
  window --net-wm-name 'Hidden' --unmapped \
  window --net-wm-name 'Override' --override-redirect \
  window --class 'untitled\0Untitled\0' \
  window --net-wm-name "$long" \
  window --net-wm-name 'Twin' \
  window --net-wm-name 'Twin'
for i in "${!WINDOWS[@]}"; do w[i]=$((16#${WINDOWS[i]})); done
pid=$WINDOWS_PID
want_l=$banner want_c=$banner
add() {  # add INDEX TITLE CLASS PID PARENT, in walk order
  list_line want_l "$2" "$4" "${w[$1]}" "$5"
  class_line want_c "$2" "$3"
}
add 11 Twin '' "$pid" 0
add 10 Twin '' "$pid" 0
add 9 "${long:0:254}" '' "$pid" 0
add 7 Override '' "$pid" 0
add 6 Hidden '' "$pid" 0
add 5 'Owned dialog' Dlg "$pid" "${w[3]}"
add 4 Fallback 'word 0X12' "$pid" 0
add 3 Preferred ' 0x34' "$pid" 0  # the server's record of the client, not its wrong _NET_WM_PID
add 2 $'na\xc3\xafve' inst "$pid" 0
add 1 $'caf\xc3\xa9 cr\xc3\xa8me' Latin "$pid" 0
add 0 $'Gr\xc3\xbc\xc3\x9fe \xe2\x9c\x93' Utf8 "$pid" 0
run /L
check "/L columns, ids and parent" "$want_l" 0
run /C
check "/C titles and class names" "$want_c" 0

# Every text property is read by the type it declares.
stop_windows
start_windows "$helper" \
  window --property WM_NAME COMPOUND_TEXT '\x1b-Acaf\xe9 \x1b$)A\xc4\xe3\x1b(B!' --property WM_CLASS UTF8_STRING 'i\0Kl\xc3\xa4ss\0' \
  window --property _NET_WM_NAME STRING 'Gr\xfc\xdf' --class 'caf\xe9\0' \
  window --property WM_NAME COMPOUND_TEXT 'x\x1b%G\xe2\x9c\x93\x1b%@y' --property WM_CLASS COMPOUND_TEXT 'a\0\x1b-A\xe9t\xe9\0'
want=$banner
class_line want 'x'$'\xe2\x9c\x93''y' $'\xc3\xa9t\xc3\xa9'
class_line want $'Gr\xc3\xbc\xc3\x9f' $'caf\xc3\xa9'
class_line want $'caf\xc3\xa9 ?!' $'Kl\xc3\xa4ss'
run /C
check "/C texts by their declared types" "$want" 0

# Columns count characters on screen: wide characters take two, combining
# marks none, an invalid byte one, a bidirectional override one (a terminal
# shows it as '?', and a file is padded the same); no cut splits a character, and the
# 254-byte limit keeps the last whole character. The expected lines are
# written out by hand (cols knows no wide characters).
stop_windows
cjk=$'\xe6\xbc\xa2\xe5\xad\x97\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88'  # 5 wide characters
kan=$'\xe6\xbc\xa2'
kan20=$(printf "$kan%.0s" {1..20}) kan84=$(printf "$kan%.0s" {1..84}) kan100=$(printf "$kan%.0s" {1..100})
kan13=$(printf "$kan%.0s" {1..13}) kan14=$(printf "$kan%.0s" {1..14})
emoji=$'\xf0\x9f\x98\x80 ok'  # a wide emoji, then three columns
combining=$'e\xcc\x81te'        # e, a combining acute, t, e: three columns
bidi=$'a\xe2\x80\xaeb'          # a, RIGHT-TO-LEFT OVERRIDE, b: three columns
start_windows "$helper" \
  window --net-wm-name "$cjk" --class 'c\0Cjk\0' \
  window --net-wm-name "$emoji" --property WM_CLASS UTF8_STRING "e\\0$kan14\\0" \
  window --net-wm-name "$combining" \
  window --net-wm-name "a$kan20" \
  window --net-wm-name "a$kan100" \
  window --net-wm-name 'x\xffy' \
  window --net-wm-name "$bidi"
for i in "${!WINDOWS[@]}"; do w[i]=$((16#${WINDOWS[i]})); done
pid=$WINDOWS_PID
# wide_l VAR TITLE PAD INDEX, wide_c VAR TITLE PAD CLASS CLASS_PAD: a line
# with its padding given in spaces.
wide_l() { local l; printf -v l '  [%s%*s] TID:$%X HWND:$%X PID:$%X PAR:$0\r\n' "$2" "$3" '' "$pid" "${w[$4]}" "$pid"; append "$1" "$l"; }
wide_c() { local l; printf -v l '  [%s%*s] [%s%*s]\r\n' "$2" "$3" '' "$4" "$5" ''; append "$1" "$l"; }
want_l=$banner want_c=$banner
wide_l want_l "$bidi" 25 6;             wide_c want_c "$bidi" 37 '' 30
wide_l want_l 'x'$'\xff''y' 25 5;       wide_c want_c 'x'$'\xff''y' 37 '' 30
wide_l want_l "a$kan13" 1 4;            wide_c want_c "a$kan84" 0 '' 30
wide_l want_l "a$kan13" 1 3;            wide_c want_c "a$kan20" 0 '' 30
wide_l want_l "$combining" 25 2;        wide_c want_c "$combining" 37 '' 30
wide_l want_l "$emoji" 23 1;            wide_c want_c "$emoji" 35 "$kan14" 2
wide_l want_l "$cjk" 18 0;              wide_c want_c "$cjk" 30 Cjk 27
run /L
check "/L counts columns and cuts between characters" "$want_l" 0
run /C
check "/C counts columns; the 254-byte limit keeps whole characters" "$want_c" 0
want="$banner$heading    [${cjk:6:9}]"$'\r\n'
printf -v line '  Found [%s%*s] TID:$%X, HWND:$%X, PID:$%X\r\n' "$cjk" 25 '' "$pid" "${w[0]}" "$pid"
run /F "${cjk:6:9}"  # the three characters no other title holds
check "/F pads a wide title by columns" "$want$line"$'  ErrorLevel(1)\r\n' 1

# Titles come from any program: on a terminal their control bytes show as '?'.
stop_windows
start_windows "$helper" window --net-wm-name $'\e]0;owned\a\e[2J evil\x7f' --class 'k\x01\0Cls\x1b[1m\0'
evil=$((16#${WINDOWS[0]}))
run /C
want=$banner
class_line want $'\e]0;owned\a\e[2J evil\x7f' $'Cls\e[1m'
check "control bytes kept for a file" "$want" 0
script -q -e -c "stty -onlcr; timeout 20 '$bin' /C" /dev/null </dev/null >"$work/out" 2>"$work/err" && echo 0 >"$work/rc" || echo $? >"$work/rc"
want=$banner
class_line want '?]0;owned??[2J evil?' 'Cls?[1m'
check "control bytes masked on a terminal" "$want" 0
stop_windows

# Scale: every one of 2,000 windows is listed.
start_windows "$helper" many 2000 'Window '
run /L
[ "$(grep -c '^  \[Window [0-9]*  *\] TID:' "$work/out")" -eq 2000 ] || fail "2,000 windows: $(wc -l <"$work/out") lines"
stop_windows

# Windows that vanish during the walk are skipped without a word.
start_windows "$helper" --churn 'Churn' window --net-wm-name 'Steady'
steady=$((16#${WINDOWS[0]})) pid=$WINDOWS_PID
for _ in $(seq 30); do
  run /L
  grep -v '^  \[Churn  *\] TID:' "$work/out" >"$work/steady" || true
  mv "$work/steady" "$work/out"
  want=$banner
  list_line want Steady "$pid" "$steady" 0
  check "windows vanishing under the walk" "$want" 0
done
stop_windows
stop_desktop

# --- A display that does not answer ----------------------------------------
# Another client holds a server grab, or the server is stopped: every run
# ends with exit code 2 and one line on standard error, after the lines it
# had buffered. The runs go side by side, each waiting out its 10 seconds.
# silent_runs NAME: /L, /C and /F x at once, each checked.
silent_runs() {
  local name=$1 mode i=0 pids=()
  for mode in /L /C "/F x"; do
    # shellcheck disable=SC2086
    (rc=0; timeout 30 "$bin" $mode >"$work/out$i" 2>"$work/err$i" || rc=$?; echo "$rc" >"$work/rc$i") &
    pids+=($!)
    i=$((i + 1))
  done
  wait "${pids[@]}"
  i=0
  for mode in /L /C "/F x"; do
    mv "$work/out$i" "$work/out"; mv "$work/err$i" "$work/err"; mv "$work/rc$i" "$work/rc"
    want=$banner
    [ "$mode" = "/F x" ] && want+=$heading$'    [x]\r\n'
    check "$name, $mode" "$want" 2 "brisquel: display \"$DISPLAY\" did not answer for 10 seconds (a client may hold a grab)"$'\r\n'
    i=$((i + 1))
  done
}

start_xvfb
start_windows "$helper" --grab-server window --net-wm-name 'Locked'
silent_runs "server grabbed by another client"
stop_windows
run /L  # the grab ends with its client
want=$banner
check "after the grab" "$want" 0
stop_desktop

start_xvfb
start_windows "$helper" window --net-wm-name 'Frozen'
kill -STOP "${DESKTOP_PIDS[0]}"
silent_runs "server stopped"
kill -CONT "${DESKTOP_PIDS[0]}"
stop_desktop

# --- A server without X-Resource: processes from _NET_WM_PID ---------------
# Each window's own claim then stands, or 0 where it makes none; the title
# from WM_NAME where _NET_WM_NAME is empty or missing, as above.
start_xvfb -extension X-Resource
start_windows "$helper" \
  window --net-wm-name 'Claims' --pid 0x1234 --wm-name 'Not this' --class 'c\0Claims\0' \
  window --wm-name 'Silent' --transient-for 0 \
  window --net-wm-name '' --wm-name 'Named late' --pid 77
for i in "${!WINDOWS[@]}"; do w[i]=$((16#${WINDOWS[i]})); done
want=$banner
list_line want 'Named late' 77 "${w[2]}" 0
list_line want Silent 0 "${w[1]}" "${w[0]}"
list_line want Claims $((0x1234)) "${w[0]}" 0
run /L
check "no X-Resource: _NET_WM_PID" "$want" 0
stop_desktop

# --- A desktop with a window manager: frames stand for their clients -------
start_xvfb
start_wm
start_windows "$helper" --wait-managed \
  window --net-wm-name 'Main' --class 'main\0Main\0' \
  window --net-wm-name 'Dialog' --transient-for 0 \
  window --net-wm-name 'Tooltip' --override-redirect \
  window --net-wm-name 'Withdrawn' --unmapped \
  window --net-wm-name 'Main' --override-redirect --frame-for 0
# The last is a frame of GNOME's frames helper, made before the window
# manager has put its client in it: the client is listed, the frame not.
for i in "${!WINDOWS[@]}"; do w[i]=$((16#${WINDOWS[i]})); done
pid=$WINDOWS_PID
wm_pid=${DESKTOP_PIDS[-2]}
run /L
# The window manager's own window, titled "evilwm" (a _NET_WM_NAME of type
# STRING), is listed too, with the window manager's process.
wm_line="^  \\[evilwm {22}\\] TID:\\\$$(printf %X "$wm_pid") HWND:\\\$[0-9A-F]+ PID:\\\$$(printf %X "$wm_pid") PAR:\\\$0"$'\r'\$
[ "$(grep -cE "$wm_line" "$work/out")" -eq 1 ] || fail "the window manager's window: $(grep evilwm "$work/out" | od -c | head -3)"
grep -vE "$wm_line" "$work/out" >"$work/rest" || true
mv "$work/rest" "$work/out"
# The window manager decides the stacking; the lines are compared as a set.
want=
list_line want Main "$pid" "${w[0]}" 0
list_line want Dialog "$pid" "${w[1]}" "${w[0]}"
list_line want Tooltip "$pid" "${w[2]}" 0
list_line want Withdrawn "$pid" "${w[3]}" 0
[ "$(tail -n +2 "$work/out" | sort)" = "$(printf '%s' "$want" | sort)" ] ||
  fail "with a window manager: got $(od -c "$work/out" | head -20)"
[ "$(head -n 1 "$work/out")" = "${banner%$'\n'}" ] || fail "with a window manager: banner"
[ "$(cat "$work/rc")" -eq 0 ] && [ ! -s "$work/err" ] || fail "with a window manager: exit $(cat "$work/rc")"
run /F dia
want=$banner$heading$'    [dia]\r\n'
found_line want Dialog "$pid" "${w[1]}"
check "search with a window manager" "$want"$'  ErrorLevel(1)\r\n' 1

stop_windows
stacking_check evilwm
stop_desktop

# --- Window managers of the tests' own: frames in and out of step -----------
# Frames one to three levels above their clients; spare windows of the
# window manager's own beside its frames; a client list the wrong way round;
# a listed client left unframed. In each the order must be the stacking
# order exactly.
framing_wm=$(dirname "$helper")/framing_wm
for wm_args in "" "--depth 2" "--spare 2" "--reversed-list" "--depth 3 --spare 1 --reversed-list" \
  "--unframed-first --spare 1"; do
  start_xvfb
  # shellcheck disable=SC2086
  start_windows "$framing_wm" $wm_args
  stacking_check "framing_wm $wm_args"
  stop_desktop
done

if [ "$failures" -ne 0 ]; then
  echo "x11 end-to-end: $failures failed" >&2
  exit 1
fi
echo "x11 end-to-end: all passed" >&2
