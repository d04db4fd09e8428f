#!/usr/bin/env bash
# The allocation-failure sweep: /L, /C and /F runs on a real X desktop
# (Xvfb, with and without a window manager) with the n-th allocation
# failing, once and from then on, for every n the run makes. Each run must
# end complete (exact output and exit code), or with the "Out of memory"
# report and exit code 1, or with the runtime error 203 line before
# start-up; never another exit code, a hang or a shortened list.
# Usage: alloc_sweep.sh PATH/TO/brisquel PATH/TO/liballoc_fail.so PATH/TO/x11_windows
set -euo pipefail
bin=$(realpath "$1")
injector=$(realpath "$2")
helper=$(realpath "$3")
source "$(dirname "$0")/../../../scripts/desktops/x11.sh"
work=$(mktemp -d)
trap 'stop_desktop; rm -rf "$work"' EXIT
failures=0
fail() {
  failures=$((failures + 1))
  [ "$failures" -le 20 ] && echo "FAIL: $*" >&2
  return 0
}

source "$(dirname "$0")/sweep_lib.sh"

# Windows of every kind the walk reads, a few of each.
layout=(window --net-wm-name 'Calculator' --class 'calc\0SciCalc\0'
        window --wm-name 'caf\xe9' --class 'latin\0Latin\0'
        window --net-wm-name 'Owned' --transient-for 0
        window --wm-name-utf8 'na\xc3\xafve' --pid 77
        many 2 'w')

start_xvfb
start_windows "$helper" "${layout[@]}"
sweep "/L" 0 /L
grep -c 'HWND' "$work/want" | grep -qx 6 || fail "/L reference: not 6 windows"
sweep "/C" 0 /C
sweep "/F" 1 /F w2 Calc nothing
stop_desktop

start_xvfb
start_wm
start_windows "$helper" --wait-managed "${layout[@]}" window --net-wm-name 'Tip' --override-redirect
sweep "/L under a window manager" 0 /L
stop_desktop

sweep_summary "allocation sweep"
if [ "$failures" -ne 0 ]; then
  echo "allocation sweep: $failures failed" >&2
  exit 1
fi
echo "allocation sweep: all passed" >&2
