#!/usr/bin/env bash
# End-to-end checks of the Linux program under hostile conditions: memory
# limits low enough that allocation fails, a 100,000-byte argument, 5,000
# arguments, and arguments holding format specifiers, bytes >= 128 and
# control bytes. Needs Xvfb; runs its own display.
# Usage: robustness_test.sh PATH/TO/brisquel
# BRISQUEL_SANITIZED=1 skips the memory-limit sweep (AddressSanitizer
# reserves far more address space than any such limit allows).
set -euo pipefail
ulimit -c 0  # the crashes this looks for must not leave core files behind
bin=$(realpath "$1")
work=$(mktemp -d)
xvfb_pid=
windows_pid=
cleanup() {
  [ -n "$windows_pid" ] && kill "$windows_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

banner=$'BRISQUEL 1.0 - window lists, class lists and title search\r\n'
heading=$'  Searching for windows containing following text:\r\n'

# A display of our own with no windows on it: every search finds nothing.
Xvfb -displayfd 3 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start: $(cat "$work/xvfb.log")" >&2; exit 1; }
export DISPLAY=:$(head -1 "$work/display")

# search_echo TEXT...: the bytes a search with these texts writes when
# nothing matches.
search_echo() {
  printf '%s' "$banner$heading"
  local text
  for text in "$@"; do printf '    [%s]\r\n' "$text"; done
  printf '  ErrorLevel(0)\r\n'
}

# expect_search NAME TEXT...: a search for TEXT... writes exactly its echo
# and exits with 0.
expect_search() {
  local name=$1 rc=0; shift
  timeout 20 "$bin" /F "$@" >"$work/out" 2>"$work/err" || rc=$?
  search_echo "$@" >"$work/want"
  cmp -s "$work/out" "$work/want" || { fail "$name: output differs"; cmp "$work/out" "$work/want" >&2 || true; }
  [ "$rc" -eq 0 ] || fail "$name: exit code $rc ($(head -c 200 "$work/err"))"
  [ ! -s "$work/err" ] || fail "$name: standard error: $(head -c 200 "$work/err")"
}

long=$(head -c 100000 /dev/zero | tr '\0' 'L')
expect_search "a 100,000-byte argument" "$long"
expect_search "a 100,000-byte argument among others" a "$long" b

mapfile -t many < <(seq -f 'text-%g' 1 5000)
expect_search "5,000 arguments" "${many[@]}"

# Format specifiers are echoed as they are; they never reach a format.
expect_search "format specifiers" '%s%n%x' '%n%n%n%n' '%p%p%p' '%99999999s' '%*.*s' '%1:s%0:s' '%' '%%' '%s'"$long"
# Bytes >= 128 and control bytes (quoted, since they are blanks) arrive
# unchanged; a file gets them unmasked.
high=$(printf '\x80\x9f\xa0\xc9\xe9\xff')
control=$(printf 'a\x01\x02\x07\x08\x1b[31m\x7fz')
expect_search "bytes >= 128 and control bytes" "$high" "$control" $'\t tab and spaces \t' "x${high}y"

# A file size limit (ulimit -f) makes a write fail with EFBIG instead of
# killing the program with SIGXFSZ: I/O error 223, exit code 1, and the
# file holds the whole blocks that fitted under the limit.
mapfile -t limit_texts < <(seq -f 'limit-text-%03g' 1 100)
rc=0
(ulimit -f 1 && exec timeout 20 "$bin" /F "${limit_texts[@]}" >"$work/out" 2>"$work/err") || rc=$?
[ "$rc" -eq 1 ] || fail "ulimit -f: exit code $rc"
grep -qx $'I/O error 223.\r' "$work/err" || fail "ulimit -f: report $(head -c 200 "$work/err")"
# (Through a file: under pipefail, head leaving early would fail the pipe.)
search_echo "${limit_texts[@]}" >"$work/want"
head -c 1024 "$work/want" >"$work/want_1024"
cmp -s "$work/want_1024" "$work/out" ||
  fail "ulimit -f: the file is not the first 1,024 bytes: $(cmp "$work/want_1024" "$work/out" 2>&1 | head -c 200)"

# On a terminal (a pty that script(1) gives it) the control characters of
# titles, class names and the display's name are shown as '?': C0, DEL,
# C1 in UTF-8 and raw, the bidirectional overrides. A file and /dev/null
# (a character device, but no terminal) get the exact bytes.
helper=$(dirname "$bin")/tests/e2e/x11/x11_windows
if [ -x "$helper" ] && command -v script >/dev/null; then
  "$helper" window --net-wm-name 'a\x1b]0;T\x07\xc2\x9b2J\xe2\x80\xaez' --class 'k\x9b1m\x85' >"$work/ids" 2>&1 &
  windows_pid=$!
  for _ in $(seq 100); do grep -q '^ready$' "$work/ids" && break; sleep 0.1; done
  grep -q '^ready$' "$work/ids" || fail "x11_windows did not start: $(cat "$work/ids")"
  # Columns as the Linux program counts them: a control character (C0 or
  # C1) takes one, and so does the override, which a terminal shows as '?',
  # so that the file lines up as the terminal does. WM_CLASS is Latin-1
  # (STRING), so its bytes 0x9B and 0x85 reach the output as UTF-8.
  raw_line=$(printf '  [a\x1b]0;T\x07\xc2\x9b2J\xe2\x80\xaez%28s] [k\xc2\x9b1m\xc2\x85%25s]\r' '' '')
  shown_line=$(printf '  [%-40s] [%-30s]' 'a?]0;T??2J?z' 'k?1m?')
  timeout 20 script -qec "$bin /C" /dev/null </dev/null >"$work/tty" 2>&1 || fail "/C on a terminal: exit code $?"
  [ "$(tr -d '\r' <"$work/tty" | sed -n 2p)" = "$shown_line" ] ||
    fail "/C on a terminal: $(sed -n 2p "$work/tty" | od -c | head -4)"
  timeout 20 "$bin" /C >"$work/out" 2>&1 || fail "/C to a file: exit code $?"
  [ "$(sed -n 2p "$work/out")" = "$raw_line" ] || fail "/C to a file: $(sed -n 2p "$work/out" | od -c | head -4)"
  strace_ok=0
  if command -v strace >/dev/null && [ "${BRISQUEL_SANITIZED:-0}" != 1 ]; then
    timeout 20 strace -e trace=write -e signal=none -o "$work/trace" "$bin" /C >/dev/null 2>&1 && strace_ok=1
    grep -qF 'write(1, "  [a\33]0;T\7\302\2332J\342\200\256z' "$work/trace" ||
      fail "/C to /dev/null: not the exact bytes: $(grep -F 'write(1, "  [' "$work/trace" | head -c 300)"
    [ "$strace_ok" = 1 ] || fail "/C to /dev/null under strace: failed"
  fi
  kill "$windows_pid" 2>/dev/null || true
  wait "$windows_pid" 2>/dev/null || true
  windows_pid=
fi
odd_display=$':1\e]0;T\a\xc2\x9b\xe2\x80\xae'
DISPLAY=$odd_display timeout 20 script -qec "$bin /L" /dev/null </dev/null >"$work/tty" 2>&1 || true
[ "$(tr -d '\r' <"$work/tty" | sed -n 2p)" = 'brisquel: cannot open display ":1?]0;T???"' ] ||
  fail "display name on a terminal: $(od -c "$work/tty" | sed -n 5,9p)"
rc=0; DISPLAY=$odd_display timeout 20 "$bin" /L >/dev/null 2>"$work/err" || rc=$?
[ "$rc" -eq 2 ] && [ "$(cat "$work/err")" = "brisquel: cannot open display \"$odd_display\""$'\r' ] ||
  fail "display name to a file: exit code $rc, $(od -c "$work/err" | head -4)"

# Under a memory limit the program either cannot be loaded at all, or
# starts and then, when a large request fails, reports it and ends with 1;
# or the limit is high enough for the whole run. A crash is a failure at
# any limit, and the report must show up at some limit. The arguments,
# 14 of 120,000 bytes, make the run's requests large.
if [ "${BRISQUEL_SANITIZED:-0}" != 1 ]; then
  big=$(head -c 120000 /dev/zero | tr '\0' 'M')
  bigs=()
  for _ in $(seq 14); do bigs+=("$big"); done
  oom_report='^Exception EOutOfMemory in module brisquel at [0-9A-F]{8}\.$'
  reported=0 completed=0
  for kib in $(seq 4096 256 65536); do
    rc=0
    timeout 20 prlimit --as=$((kib * 1024)) -- "$bin" /F "${bigs[@]}" >"$work/out" 2>"$work/err" || rc=$?
    if [ "$rc" -eq 127 ] && [ ! -s "$work/out" ] &&
       grep -qE 'error while loading shared libraries|cannot allocate TLS data structures for initial thread' "$work/err"; then
      continue  # the loader ran out before the program started (Debian 13's says so in its own words)
    elif [ "$rc" -eq 1 ]; then
      # The report is the last two lines; all before it is whole lines.
      tail -n 2 "$work/out" | head -n 1 | grep -qE "$oom_report" || fail "limit ${kib} KiB: first line of the report"
      [ "$(tail -n 1 "$work/out")" = $'Out of memory.\r' ] || fail "limit ${kib} KiB: second line of the report"
      head -c ${#banner} "$work/out" | cmp -s - <(printf '%s' "$banner") || fail "limit ${kib} KiB: banner"
      reported=$((reported + 1))
    elif [ "$rc" -eq 203 ]; then
      # Out of memory before the runtime was started: the runtime error line.
      [ "$(cat "$work/err")" = $'Error\nRuntime error 203 at 00000000' ] ||
        fail "limit ${kib} KiB: runtime error line: $(head -c 200 "$work/err")"
    elif [ "$rc" -eq 0 ]; then
      completed=1
      break
    else
      fail "limit ${kib} KiB: exit code $rc: $(head -c 200 "$work/err")"
    fi
  done
  [ "$reported" -gt 0 ] || fail "no memory limit gave the out-of-memory report"
  [ "$completed" -eq 1 ] || fail "the run never completed below 64 MiB"
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures robustness check(s) failed" >&2
  exit 1
fi
echo "robustness end-to-end: all checks passed" >&2
