#!/usr/bin/env bash
# Windows closing during the walk: while window_churn.exe keeps three
# threads creating and destroying titled windows, every run of /L, /C and
# /F must list each of its 50 stable windows, and /F must end with exit 1.
#
#   churn_test.sh [RUNS [PROGRAM]]
#
# RUNS runs of each mode (unless given, 60, or 20 under qemu-user, where
# a run takes about 2 s and the threads churn all the while), of PROGRAM
# (the Windows program of the win32 build unless given).
# scripts/test-win32 builds the programs and the prefix first.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../../scripts/lib.sh"
source "$here/wine_env.sh"
export LC_ALL=C

runs=${1:-60}
[ -n "${1:-}" ] || [ "${WIN32_ROUTE:-native}" != emulated ] || runs=20
build=$BRISQUEL_ROOT/build/win32
exe=$(realpath "${2:-$build/brisquel.exe}")
programs=$build/e2e/win32
stable=50
scratch=$(mktemp -d "$build/e2e/churn-test.XXXXXX")
churn_pid=
cleanup() {
  touch "$scratch/stop"
  if [ -n "$churn_pid" ]; then wait "$churn_pid" || true; fi
  stop_wineserver
  rm -rf "$scratch"
}
trap cleanup EXIT
start_wineserver
cd "$scratch"

# The helper lives through all the runs, 5 s a run at most (about 2 s
# under qemu-user); its limits only bound a hang.
lifetime=$((60 + 3 * runs * 5))
WINE_TIMEOUT=$((lifetime + 60)) run_wine "$programs/window_churn.exe" "$stable" 3 made stop "$lifetime" >churn.out 2>&1 &
churn_pid=$!
for _ in $(seq 1 1200); do
  [ -f made ] && break
  kill -0 "$churn_pid" 2>/dev/null || break
  sleep 0.1
done
if [ ! -f made ]; then
  echo "FAIL window_churn did not start: $(cat churn.out)"
  exit 1
fi
mapfile -t handles <made

# listed MODE: how many of the stable windows the output in out names.
listed() {
  local h count=0
  for h in "${handles[@]}"; do
    case $1 in
      /L) grep -q -F " HWND:\$$h PID:" out && count=$((count + 1)) ;;
      /F) grep -q -F " HWND:\$$h, PID:" out && count=$((count + 1)) ;;
    esac
  done
  [ "$1" = /C ] && count=$(grep -c -E '^  \[stable window [0-9]{2} +\] \[ChurnWindow +\]'$'\r''$' out || true)
  echo "$count"
}

failures=0
for mode in /L /C /F; do
  want_rc=0
  args=("$mode")
  if [ "$mode" = /F ]; then
    want_rc=1
    args+=("stable window")
  fi
  short=0 wrong_rc=0 least=$stable codes=
  for _ in $(seq 1 "$runs"); do
    rc=0
    run_wine "$exe" "${args[@]}" >out 2>err || rc=$?
    helper_alive "$churn_pid" window_churn churn.out
    count=$(listed "$mode")
    [ "$count" -lt "$least" ] && least=$count
    [ "$count" = "$stable" ] || short=$((short + 1))
    [ "$rc" = "$want_rc" ] && [ ! -s err ] || wrong_rc=$((wrong_rc + 1))
    codes+="$rc"$'\n'
  done
  codes=$(sort -n <<<"${codes%$'\n'}" | uniq -c | awk '{printf "%s%s x%s", (NR > 1 ? ", " : ""), $2, $1}')
  summary="$mode: $short of $runs runs missed a stable window (fewest listed: $least of $stable), $wrong_rc with a wrong exit code or standard error (exit codes: $codes)"
  if [ "$short" = 0 ] && [ "$wrong_rc" = 0 ]; then
    echo "ok   $summary"
  else
    echo "FAIL $summary"
    failures=$((failures + 1))
  fi
done

touch stop
wait "$churn_pid" || { echo "FAIL window_churn ended badly: $(cat churn.out)"; failures=$((failures + 1)); }
churn_pid=
[ "$failures" = 0 ] || exit 1
