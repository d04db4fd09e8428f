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
failures=0 runs=0 complete=0 reported=0 early=0
fail() {
  failures=$((failures + 1))
  [ "$failures" -le 20 ] && echo "FAIL: $*" >&2
  return 0
}

oom_line=$'Out of memory.\r'
oom_report='^Exception EOutOfMemory in module brisquel at [0-9A-F]{8}\.$'

# judge NAME WANT_RC: the last run against the reference run in $work/want.
judge() {
  local name=$1 want_rc=$2 rc
  rc=$(cat "$work/rc")
  if [ "$rc" -eq "$want_rc" ] && cmp -s "$work/out" "$work/want" && [ ! -s "$work/err" ]; then
    complete=$((complete + 1))
  elif [ "$rc" -eq 1 ] && [ "$(tail -n 1 "$work/out")" = "$oom_line" ] &&
       tail -n 2 "$work/out" | head -n 1 | grep -qE "$oom_report"; then
    # What came before the report is the start of the whole output.
    head -n -2 "$work/out" >"$work/before"
    cmp -s "$work/before" <(head -c "$(stat -c %s "$work/before")" "$work/want") ||
      fail "$name: output before the report is not the start of the listing"
    reported=$((reported + 1))
  elif [ "$rc" -eq 203 ] && [ ! -s "$work/out" ] &&
       [ "$(cat "$work/err")" = $'Error\nRuntime error 203 at 00000000' ]; then
    early=$((early + 1))
  else
    fail "$name: exit code $rc, $(wc -l <"$work/out") lines (want $(wc -l <"$work/want")), stderr: $(head -c 120 "$work/err" | tr '\n\r' '  ')"
  fi
}

# sweep NAME WANT_RC ARGS...: a clean run as the reference, then every n.
sweep() {
  local name=$1 want_rc=$2 rc total n mode
  shift 2
  rc=0
  BRISQUEL_ALLOC_COUNT="$work/count" LD_PRELOAD=$injector timeout 20 "$bin" "$@" >"$work/want" 2>"$work/err" || rc=$?
  [ "$rc" -eq "$want_rc" ] && [ ! -s "$work/err" ] || { fail "$name: reference run: exit code $rc"; return; }
  total=$(od -An -tu8 "$work/count" | tr -d ' ')
  for ((n = 1; n <= total + 1; n++)); do
    for mode in once from; do
      rc=0
      BRISQUEL_ALLOC_FAIL_AT=$n BRISQUEL_ALLOC_FAIL_MODE=$mode LD_PRELOAD=$injector \
        timeout 20 "$bin" "$@" >"$work/out" 2>"$work/err" || rc=$?
      echo "$rc" >"$work/rc"
      runs=$((runs + 1))
      judge "$name, allocation $n failing $mode" "$want_rc"
    done
  done
}

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

echo "allocation sweep: $runs runs: $complete complete, $reported reported out of memory, $early before start-up" >&2
if [ "$failures" -ne 0 ]; then
  echo "allocation sweep: $failures failed" >&2
  exit 1
fi
echo "allocation sweep: all passed" >&2
