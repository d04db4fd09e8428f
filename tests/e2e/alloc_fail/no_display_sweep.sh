#!/usr/bin/env bash
# Out of memory at every allocation of runs that need no display: for each
# n, allocation n fails (once), or every allocation from n on fails. Each
# run must end complete, or in the "Out of memory" report with exit code 1
# after whole lines of its output, or in the runtime error 203 line before
# start-up; never in an abort, a crash or another exit code.
# Usage: no_display_sweep.sh PATH/TO/brisquel PATH/TO/liballoc_fail.so
# BRISQUEL_SANITIZED=1 skips it: the sanitizers bring their own allocator.
set -euo pipefail
bin=$(realpath "$1")
injector=$(realpath "$2")
if [ "${BRISQUEL_SANITIZED:-0}" = 1 ]; then
  echo "out-of-memory sweep: skipped under the sanitizers" >&2
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

report=$'Exception EOutOfMemory in module brisquel at 00000000.\nOut of memory.\r\n'
runtime_error=$'Error\nRuntime error 203 at 00000000\n'
largest_n=2000

# run N ONCE ARGS...: one run with the injector; leaves out, err and rc.
run() {
  local n=$1 once=$2
  shift 2
  rc=0
  local mode=from
  [ "$once" = 1 ] && mode=once
  env -u DISPLAY BRISQUEL_ALLOC_FAIL_AT="$n" BRISQUEL_ALLOC_FAIL_MODE="$mode" LD_PRELOAD="$injector" \
    timeout 10 "$bin" "$@" >"$work/out" 2>"$work/err" || rc=$?
}

# is_line_prefix FILE WHOLE: FILE holds the first lines of WHOLE, whole
# lines only.
is_line_prefix() {
  local size
  size=$(stat -c %s "$1")
  { [ "$size" -eq 0 ] || [ "$(tail -c 1 "$1" | od -An -c | tr -d ' ')" = '\n' ]; } &&
    cmp -s "$1" <(head -c "$size" "$2")
}

# sweep NAME ARGS...: every n, once and from then on.
sweep() {
  local name=$1 n once outcome counts last=$largest_n
  shift
  want_rc=0
  env -u DISPLAY timeout 10 "$bin" "$@" >"$work/want_out" 2>"$work/want_err" || want_rc=$?
  for once in 0 1; do
    declare -A counts=([complete]=0 [report]=0 [203]=0)
    for n in $(seq 1 "$last"); do
      run "$n" "$once" "$@"
      if [ "$rc" -eq "$want_rc" ] && cmp -s "$work/out" "$work/want_out" && cmp -s "$work/err" "$work/want_err"; then
        outcome=complete
      elif [ "$rc" -eq 1 ] && [ ! -s "$work/err" ] && cmp -s <(tail -c ${#report} "$work/out") <(printf '%s' "$report"); then
        head -c $(($(stat -c %s "$work/out") - ${#report})) "$work/out" >"$work/before"
        if is_line_prefix "$work/before" "$work/want_out"; then outcome=report; else
          fail "$name, n=$n once=$once: the lines before the report are not the run's"
          outcome=report
        fi
      elif [ "$rc" -eq 203 ] && [ ! -s "$work/out" ] && [ "$(cat "$work/err"; echo .)" = "$runtime_error." ]; then
        outcome=203
      else
        fail "$name, n=$n once=$once: exit code $rc, standard error: $(head -c 200 "$work/err")"
        continue
      fi
      counts[$outcome]=$((counts[$outcome] + 1))
      # Two complete runs in a row with every allocation from n on failing:
      # the run makes fewer than n allocations, and no later n can differ.
      if [ "$once" = 0 ] && [ "$outcome" = complete ]; then
        [ "${previous:-}" = complete ] && last=$n && break
      fi
      previous=$outcome
    done
    previous=
    echo "$name (once=$once): up to n=$n, ${counts[complete]} complete, ${counts[report]} reported, ${counts[203]} before start-up" >&2
    [ "${counts[report]}" -gt 0 ] || fail "$name (once=$once): no run gave the out-of-memory report"
  done
}

sweep "/M" /M
sweep "usage" 
sweep "/F without a display" /F alpha "beta gamma" "$(head -c 300 /dev/zero | tr '\0' d)"
sweep "/L without a display" /L

if [ "$failures" -gt 0 ]; then
  echo "$failures out-of-memory check(s) failed" >&2
  exit 1
fi
echo "out-of-memory sweep: all checks passed" >&2
