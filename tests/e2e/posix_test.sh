#!/usr/bin/env bash
# End-to-end checks of the Linux program's output bytes and exit codes for
# everything that needs no window: usage, options, argument splitting,
# output to files, pipes, full disks and closed descriptors, fault reports.
# Usage: posix_test.sh PATH/TO/brisquel
set -euo pipefail
bin=$(realpath "$1")
probe=$(dirname "$bin")/tests/fault_probe
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# The version the binary was built with, from its build tree.
version=$(sed -nE 's/^#define BRISQUEL_VERSION "(.*)"$/\1/p' "$(dirname "$bin")/generated/app/version.h")
[ -n "$version" ] || { echo "FAIL: no version in the build tree of $bin" >&2; exit 1; }
banner="BRISQUEL $version - window lists, class lists and title search"$'\r\n'
usage=$'       Get window lists, window class lists and search for window text.\r\nUsage: Search all windows for window containing specified text (or list of)\r\n         BRISQUEL /F <"wintext1"> ... <"wintextN">\r\n           ErrorLevel=1    Found\r\n           ErrorLevel=0    Not found\r\n       List all windows open\r\n         BRISQUEL /L\r\n       List all windows open (Class names)\r\n         BRISQUEL /C\r\n'

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# expect NAME WANT_STDOUT WANT_RC -- ARGS...: stdout to a file, exact bytes.
expect() {
  local name=$1 want=$2 want_rc=$3; shift 4
  local rc=0
  env -u DISPLAY timeout 10 "$bin" "$@" >"$work/out" 2>"$work/err" || rc=$?
  printf '%s' "$want" >"$work/want"
  cmp -s "$work/out" "$work/want" || { fail "$name: output differs"; diff <(od -c "$work/want") <(od -c "$work/out") | head -8 >&2; }
  [ "$rc" -eq "$want_rc" ] || fail "$name: exit code $rc, want $want_rc"
}

expect "no arguments" "$banner$usage" 0 --
for opt in /m /M -m -M ' /m ' $'\t-M'; do expect "option [$opt]" "$banner" 0 -- "$opt"; done
expect "quoted blanks as option" "$banner$usage" 0 -- "   "
expect "empty argument before option" "$banner" 0 -- "" /M
for opt in /X F /FF --F /FIND "/F X" "/M extra"; do expect "option [$opt]" "$banner$usage" 0 -- "$opt"; done
expect "arguments after /M are ignored" "$banner" 0 -- /M /F /L

# Output to a pipe comes in 128-byte blocks and the rest at the end.
if command -v strace >/dev/null; then
  env -u DISPLAY strace -f -e trace=write -o "$work/trace" "$bin" | cat >/dev/null
  sizes=$(grep -E 'write\(1,' "$work/trace" | grep -oE '= [0-9]+$' | awk '{print $2}' | tr '\n' ' ')
  [ "$sizes" = "128 128 128 67 " ] || fail "pipe write sizes: $sizes"
fi

# A full disk: the failure is reported on standard error, exit code 1.
rc=0; env -u DISPLAY "$bin" >/dev/full 2>"$work/err" || rc=$?
[ "$rc" -eq 1 ] || fail "/dev/full: exit code $rc"
grep -qx $'I/O error 112.\r' "$work/err" || fail "/dev/full: report $(od -c "$work/err" | head -3)"
head -c 49 "$work/err" | grep -q '^Exception EInOutError in module brisquel at ' || fail "/dev/full: first line"

# /M's banner alone to a full disk is lost at the final write-out: that is
# a failure too, not a success.
rc=0; env -u DISPLAY "$bin" /M >/dev/full 2>"$work/err" || rc=$?
[ "$rc" -eq 1 ] || fail "/M to /dev/full: exit code $rc"
grep -qx $'I/O error 112.\r' "$work/err" || fail "/M to /dev/full: report"

# Closed standard output: I/O error 103 on standard error.
rc=0; env -u DISPLAY "$bin" /M >&- 2>"$work/err" || rc=$?
[ "$rc" -eq 1 ] || fail "closed stdout: exit code $rc"
grep -qx $'I/O error 103.\r' "$work/err" || fail "closed stdout: report"

# A reader that has gone: a broken pipe is reported, never a silent death.
# The search's echo of 3,000 texts is larger than any pipe buffer, so the
# writer meets the closed pipe whatever the timing.
mapfile -t texts < <(seq -f 'search-text-%05g-padding-padding' 1 3000)
env -u DISPLAY "$bin" /F "${texts[@]}" >"$work/full" 2>/dev/null || true
for keep in 0 1 128 200; do
  { rc=0; env -u DISPLAY "$bin" /F "${texts[@]}" 2>"$work/err" || rc=$?; echo "$rc" >"$work/rc"; } |
    head -c "$keep" >"$work/got" || true
  rc=$(cat "$work/rc")
  [ "$rc" -eq 1 ] || fail "head -c $keep: exit code $rc"
  grep -qx $'I/O error 232.\r' "$work/err" || fail "head -c $keep: report $(head -c 300 "$work/err")"
  cmp -s "$work/got" <(head -c "$keep" "$work/full") || fail "head -c $keep: bytes"
done
# The same for the usage text, under one block: its loss at the final
# write-out is reported too.
{ sleep 0.3; rc=0; env -u DISPLAY "$bin" 2>"$work/err" || rc=$?; echo "$rc" >"$work/rc"; } | head -c 0 || true
[ "$(cat "$work/rc")" -eq 1 ] || fail "usage to a closed pipe: exit code $(cat "$work/rc")"
grep -qx $'I/O error 232.\r' "$work/err" || fail "usage to a closed pipe: report"

# Deliberate faults reach the same report, exit code 1. Under the
# sanitizers (BRISQUEL_SANITIZED=1) they stop the probe first, so these
# checks are skipped there.
if [ -x "$probe" ] && [ "${BRISQUEL_SANITIZED:-0}" != 1 ]; then
  check_fault() {
    local what=$1 kind=$2 second=$3 rc=0
    "$probe" "$what" >"$work/out" 2>&1 || rc=$?
    [ "$rc" -eq 1 ] || fail "fault $what: exit code $rc"
    grep -qE "^Exception $kind in module fault_probe at [0-9A-F]{8}\.\$" "$work/out" || fail "fault $what: first line"
    grep -qE "$second" "$work/out" || fail "fault $what: message $(cat "$work/out")"
  }
  check_fault read EAccessViolation $'^Access violation at address [0-9A-F]{8,16}\\. Read of address 00000000\\.\r$'
  check_fault write EAccessViolation $'^Access violation at address [0-9A-F]{8,16}\\. Write of address 00000000\\.\r$'
  check_fault divide EDivByZero $'^Division by zero\\.\r$'
  check_fault stack EStackOverflow $'^Stack overflow\\.\r$'
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures end-to-end check(s) failed" >&2
  exit 1
fi
echo "posix end-to-end: all checks passed" >&2
