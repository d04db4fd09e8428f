#!/usr/bin/env bash
# The X server stopped in the middle of walks: on desktops of 300, 5,000
# and 50,000 titled windows, five /L runs start at random moments within
# 250 ms, the server is stopped (SIGSTOP) at the end of those 250 ms and
# kept stopped until every run has ended. Each run must either have listed
# the whole desktop (exit 0, the exact listing taken before) or end within
# 12 seconds of the stop with exit 2, the "did not answer" line, and the
# lines it had buffered: a start of that listing. STOPS stops per desktop.
# Usage: stall_sweep.sh PATH/TO/brisquel PATH/TO/x11_windows [STOPS [SIZE...]]
set -euo pipefail
bin=$(realpath "$1")
helper=$(realpath "$2")
stops=${3:-2}
shift $(($# < 3 ? $# : 3))
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(300 5000 50000)
source "$(dirname "$0")/../../../scripts/desktops/x11.sh"
work=$(mktemp -d)
server=
trap '[ -n "$server" ] && kill -CONT "$server" 2>/dev/null; stop_desktop; rm -rf "$work"' EXIT
export LC_ALL=C
failures=0
runs=0
clients=5

# one_run I: /L after a random wait of up to 250 ms; its output, exit code
# and end time (seconds since the epoch) go into $work/I.*.
one_run() {
  local i=$1 rc=0
  sleep "0.$(printf '%03d' $((RANDOM % 250)))"
  timeout 30 "$bin" /L >"$work/$i.out" 2>"$work/$i.err" || rc=$?
  echo "$rc" >"$work/$i.rc"
  date +%s.%N >"$work/$i.end"
}

# judge I STOPPED_AT: one run's outcome, as the header says.
judge() {
  local i=$1 stopped_at=$2 rc
  rc=$(cat "$work/$i.rc")
  runs=$((runs + 1))
  case $rc in
    0) cmp -s "$work/$i.out" "$work/reference" && [ ! -s "$work/$i.err" ] && return ;;
    2)
      if awk -v end="$(cat "$work/$i.end")" -v stop="$stopped_at" 'BEGIN { exit !(end - stop <= 12) }' && cmp -s "$work/$i.err" "$work/silent" &&
         cmp -s "$work/$i.out" <(head -c "$(stat -c %s "$work/$i.out")" "$work/reference"); then
        return
      fi
      ;;
  esac
  failures=$((failures + 1))
  echo "FAIL: $size windows, run $runs: exit $rc, $(wc -l <"$work/$i.out") lines," \
    "$(awk -v end="$(cat "$work/$i.end")" -v stop="$stopped_at" 'BEGIN { print end - stop }') s after the stop;" \
    "stderr: $(head -c 200 "$work/$i.err")" >&2
}

for size in "${sizes[@]}"; do
  start_xvfb
  server=${DESKTOP_PIDS[0]}
  WINDOWS_TIMEOUT=600 start_windows "$helper" many-unmapped "$size" 'Window '
  timeout 60 "$bin" /L >"$work/reference"
  printf 'brisquel: display "%s" did not answer for 10 seconds (a client may hold a grab)\r\n' \
    "$DISPLAY" >"$work/silent"
  for ((stop = 0; stop < stops; stop++)); do
    pids=()
    for ((i = 0; i < clients; i++)); do
      one_run "$i" &
      pids+=($!)
    done
    sleep 0.25
    kill -STOP "$server"
    stopped_at=$(date +%s.%N)
    wait "${pids[@]}"
    kill -CONT "$server"
    for ((i = 0; i < clients; i++)); do judge "$i" "$stopped_at"; done
  done
  server=
  stop_desktop
done

if [ "$failures" -ne 0 ]; then
  echo "x11 stopped-server sweep: $failures of $runs runs failed" >&2
  exit 1
fi
echo "x11 stopped-server sweep: $runs runs, each complete or ended in time" >&2
