# shellcheck shell=bash
# The allocation-failure sweep's judging, for the suites that sweep a
# desktop; source it. Needs bin, injector, work and fail (which counts in
# failures); counts runs, complete, reported, early and in_loader, which
# sweep_summary prints. A suite whose runs need a session's environment and
# user sets sweep_launcher=(in_session).
runs=0 complete=0 reported=0 early=0 in_loader=0
sweep_launcher=(env)

# sweep_run VAR=VALUE... -- ARGS...: one run of the program with the
# injector's variables.
sweep_run() {
  local vars=()
  while [ "$1" != -- ]; do vars+=("$1"); shift; done
  shift
  "${sweep_launcher[@]}" "${vars[@]}" timeout 20 "$bin" "$@"
}

oom_line=$'Out of memory.\r'
oom_report='^Exception EOutOfMemory in module brisquel at [0-9A-F]{8}\.$'
fault_report='^Exception EAccessViolation in module brisquel at [0-9A-F]{8}\.'
# glibc ends a process itself, with this line and exit code 127, when a
# thread's block for a loaded library's thread-local data cannot be
# allocated; nothing in the process can catch it.
tls_abort='cannot allocate memory for thread-local data: ABORT'

# starts_listing LINES: the output but its last LINES lines is the start of
# the whole output.
starts_listing() {
  head -n "-$1" "$work/out" >"$work/before"
  cmp -s "$work/before" <(head -c "$(stat -c %s "$work/before")" "$work/want")
}

# judge NAME WANT_RC: the last run against the reference run in $work/want.
judge() {
  local name=$1 want_rc=$2 rc report
  rc=$(cat "$work/rc")
  report=$(tail -n 2 "$work/out" | head -n 1)  # the report's first line, where there is one
  if [ "$rc" -eq "$want_rc" ] && cmp -s "$work/out" "$work/want" && [ ! -s "$work/err" ]; then
    complete=$((complete + 1))
  elif [ "$rc" -eq 1 ] && [ "$(tail -n 1 "$work/out")" = "$oom_line" ] && [[ $report =~ $oom_report ]]; then
    # What came before the report is the start of the whole output.
    starts_listing 2 || fail "$name: output before the report is not the start of the listing"
    reported=$((reported + 1))
  elif { [ "$rc" -eq 127 ] && [ "$(cat "$work/err")" = "$tls_abort" ] && starts_listing 0; } ||
       { [ "$rc" -eq 1 ] && [ "$(od -An -j8 -N8 -tu8 "$work/count" | tr -d ' ')" != 0 ] &&
         [[ $report =~ $fault_report ]] && starts_listing 2; }; then
    # Ended by the system's loader: glibc's own end above, or a fault
    # inside a dlopen that an allocation failure has broken (glibc 2.43
    # faults in dlerror's bookkeeping when a library's constructor looks
    # up calls it lacks while allocations fail). Counted apart.
    in_loader=$((in_loader + 1))
  elif [ "$rc" -eq 203 ] && [ ! -s "$work/out" ] &&
       [ "$(cat "$work/err")" = $'Error\nRuntime error 203 at 00000000' ]; then
    early=$((early + 1))
  else
    fail "$name: exit code $rc, $(wc -l <"$work/out") lines (want $(wc -l <"$work/want")), stderr: $(head -c 120 "$work/err" | tr '\n\r' '  ')," \
      "first line that differs: $(diff "$work/want" "$work/out" | grep -m 1 '^>' | tr -d '\r')"
  fi
}

# sweep NAME WANT_RC ARGS...: a clean run as the reference, then every n.
# Skipped under the sanitizers (BRISQUEL_SANITIZED=1), which bring their
# own allocator.
sweep() {
  local name=$1 want_rc=$2 rc total n mode
  shift 2
  if [ "${BRISQUEL_SANITIZED:-0}" = 1 ]; then
    echo "$name: allocation sweep skipped under the sanitizers" >&2
    return 0
  fi
  rc=0
  install -m 666 /dev/null "$work/count"  # written by the program, as whichever user runs it
  sweep_run BRISQUEL_ALLOC_COUNT="$work/count" LD_PRELOAD="$injector" -- "$@" >"$work/want" 2>"$work/err" || rc=$?
  [ "$rc" -eq "$want_rc" ] && [ ! -s "$work/err" ] || { fail "$name: reference run: exit code $rc"; return; }
  total=$(od -An -N8 -tu8 "$work/count" | tr -d ' ')
  for ((n = 1; n <= total + 1; n++)); do
    for mode in once from; do
      rc=0
      sweep_run BRISQUEL_ALLOC_FAIL_AT="$n" BRISQUEL_ALLOC_FAIL_MODE="$mode" LD_PRELOAD="$injector" \
        BRISQUEL_ALLOC_COUNT="$work/count" -- "$@" \
        >"$work/out" 2>"$work/err" || rc=$?
      echo "$rc" >"$work/rc"
      runs=$((runs + 1))
      judge "$name, allocation $n failing $mode" "$want_rc"
    done
  done
}

# sweep_summary NAME: the counts, on standard error.
sweep_summary() {
  echo "$1: $runs runs: $complete complete, $reported reported out of memory, $early before start-up," \
    "$in_loader ended by the system's loader" >&2
}
