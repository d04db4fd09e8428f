#!/usr/bin/env bash
# End-to-end tests of the Windows program under Wine: exact output bytes
# and exit codes of build/win32/brisquel.exe, run on a real Windows API,
# against windows that window_maker.exe makes. scripts/test-win32 builds
# the programs and the prefix first.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../../scripts/lib.sh"
source "$here/wine_env.sh"
# Our own text handling works on bytes; Wine gets its locale in run_wine.
export LC_ALL=C

build=$BRISQUEL_ROOT/build/win32
exe=$build/brisquel.exe
programs=$build/e2e/win32
scratch=$(mktemp -d "$build/e2e/wine-test.XXXXXX")
maker_pid=
cleanup() {
  touch "$scratch/stop"
  if [ -n "$maker_pid" ]; then wait "$maker_pid" || true; fi
  stop_wineserver
  rm -rf "$scratch"
}
trap cleanup EXIT
start_wineserver
cd "$scratch"

banner='BRISQUEL 1.0 - window lists, class lists and title search'
usage=(
  '       Get window lists, window class lists and search for window text.'
  'Usage: Search all windows for window containing specified text (or list of)'
  '         BRISQUEL /F <"wintext1"> ... <"wintextN">'
  '           ErrorLevel=1    Found'
  '           ErrorLevel=0    Not found'
  '       List all windows open'
  '         BRISQUEL /L'
  '       List all windows open (Class names)'
  '         BRISQUEL /C'
)
heading='  Searching for windows containing following text:'

failures=0
pass() { echo "ok   $1"; }
fail() {
  echo "FAIL $1"
  failures=$((failures + 1))
}

# lines TEXT... prints each text as a line ended by CR LF.
lines() { [ $# -eq 0 ] || printf '%s\r\n' "$@"; }

# The Windows path of a file (Wine's drive Z: is the root).
winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }

# brisquel ARGS... runs the program with Wine's own command line; leaves
# out, err and rc.
brisquel() {
  rc=0
  run_wine "$exe" "$@" >out 2>err || rc=$?
}

# brisquel_raw BYTES runs the program with BYTES as its exact command line.
brisquel_raw() {
  printf '%s' "$1" >cmdline
  rc=0
  run_wine "$programs/launcher.exe" "$(winpath "$exe")" cmdline >out 2>err || rc=$?
}

# expect NAME RC EXPECTED_LINE... compares exit code and standard output
# with the banner and the given lines; standard error must stay empty.
expect() {
  local name=$1 want_rc=$2
  shift 2
  lines "$banner" "$@" >want
  if [ "$rc" = "$want_rc" ] && cmp -s want out && [ ! -s err ]; then
    pass "$name"
  else
    fail "$name: exit $rc (want $want_rc)"
    diff <(cat -A want) <(cat -A out) | head -20 || true
    head -c 400 err || true
  fi
}

# search_lines TEXT... the heading and echo lines of a search.
search_lines() {
  local text
  echo_lines=("$heading")
  for text in "$@"; do echo_lines+=("    [$text]"); done
}

# --- The program file (program_file_test.sh checks its imports) -----------

rc=0
run_wine "$programs/string_table_check.exe" "$(winpath "$exe")" >out 2>err || rc=$?
if [ "$rc" = 0 ]; then pass "string table holds the message list"; else
  fail "string table: $(cat out err)"
fi

# --- Modes and arguments, with no window of ours on the desktop -------------

brisquel;            expect "no arguments: usage" 0 "${usage[@]}"
for option in /m /M -m -M; do
  brisquel "$option"; expect "$option: banner alone" 0
done
for option in /X F /FF --F /FIND; do
  brisquel "$option"; expect "$option: usage" 0 "${usage[@]}"
done
brisquel /L ignored words; expect "/L ignores what follows (no windows yet)" 0
brisquel /F;         search_lines; expect "/F alone" 0 "${echo_lines[@]}" "  ErrorLevel(0)"
brisquel -f 'Untitled - Notepad' '%s%n'
search_lines 'Untitled - Notepad' '%s%n'
expect "-f with texts Wine quotes" 0 "${echo_lines[@]}" "  ErrorLevel(0)"

# Exact command lines: the splitting rules with no escape character.
# raw_case NAME COMMAND_LINE ECHOED_TEXT...
raw_case() {
  local name=$1 command_line=$2
  shift 2
  brisquel_raw "$command_line"
  search_lines "$@"
  expect "command line: $name" 0 "${echo_lines[@]}" "  ErrorLevel(0)"
}
raw_case "empty quotes before the option" 'brisquel.exe "" /F x' x
raw_case "empty quotes as a text" 'brisquel.exe /F "" x' x
raw_case "empty quotes inside a word" 'brisquel.exe /F ab""cd' abcd
raw_case "quoted blanks kept" 'brisquel.exe /F "Untitled - Notepad"' 'Untitled - Notepad'
raw_case "quotes inside a word" 'brisquel.exe /F Untitled" - "Notepad' 'Untitled - Notepad'
raw_case "only quoted blanks" 'brisquel.exe /F "  "' '  '
raw_case "unclosed quote runs to the end" 'brisquel.exe /F "a b' 'a b'
raw_case "doubled quote inside a run" 'brisquel.exe /F "a""b"' ab
raw_case "backslash before a closing quote" 'brisquel.exe /F "C:\dir\" x' 'C:\dir\' x
raw_case "backslash does not escape" 'brisquel.exe /F a\"b c' 'a\b c'
raw_case "quoted program path" '"C:\Program Files\brisquel.exe" /F x' x
raw_case "control bytes separate, 127 does not" $'brisquel.exe\t/F\ta\x01b\x7fc  d ' a $'b\x7fc' d
raw_case "bytes above 127 are characters" $'brisquel.exe /F \xe9t\xe9 \xa0x\xa0' $'\xe9t\xe9' $'\xa0x\xa0'
raw_case "quoted blanks around the option" 'brisquel.exe " -f " x' x
long=$(printf 'a%.0s' {1..300})
brisquel_raw "brisquel.exe /F $long"
search_lines "$long"
expect "command line: a 300-byte argument stays whole" 0 "${echo_lines[@]}" "  ErrorLevel(0)"
for command_line in 'brisquel.exe "/F x"' 'brisquel.exe "   "' 'brisquel.exe'; do
  brisquel_raw "$command_line"
  expect "command line: [$command_line] gives usage" 0 "${usage[@]}"
done

# --- Output channel --------------------------------------------------------

# report_check NAME KIND MESSAGE FILE [PLACE]: FILE holds exactly one
# failure report of brisquel.exe (any place unless PLACE is given).
report_check() {
  local name=$1 kind=$2 message=$3 file=$4 place=${5:-}
  local text pattern
  text=$(cat "$file"; echo .)
  text=${text%.}
  pattern="^Exception $kind in module brisquel\\.exe at ([0-9A-F]{8})\\."$'\n'"$message"$'\r\n$'
  if [[ $text =~ $pattern ]] && { [ -z "$place" ] || [ "${BASH_REMATCH[1]}" = "$place" ]; }; then
    pass "$name"
  else
    fail "$name: exit $rc, report:"
    cat -A "$file" | head -5
  fi
}

rc=0; run_wine "$exe" /F x >/dev/full 2>err || rc=$?
[ "$rc" = 1 ] || fail "full disk: exit $rc"
report_check "full disk: report on standard error, exit 1" EInOutError 'I/O error 112\.' err

rc=0; run_wine "$exe" /L >&- 2>err || rc=$?
[ "$rc" = 1 ] || fail "closed standard output: exit $rc"
report_check "closed standard output: report on standard error, exit 1" \
  EInOutError 'I/O error 6\.' err 00000000

for option in /F /M; do
  rc=0
  { run_wine "$exe" "$option" x 2>err || rc=$?; echo "$rc" >rc_file; } | true
  rc=$(cat rc_file)
  [ "$rc" = 1 ] || fail "$option to a Unix pipe whose reader has gone: exit $rc"
  report_check "$option to a Unix pipe whose reader has gone: I/O error 233, exit 1" \
    EInOutError 'I/O error 233\.' err
done

rc=0; run_wine "$exe" 2>err | cat >out || rc=$?
expect "usage through a pipe" 0 "${usage[@]}"

# A Windows pipe whose reader has gone is I/O error 232 (ERROR_NO_DATA);
# the Unix pipe above is 233 under Wine.
printf 'brisquel.exe /F x' >cmdline
rc=0; run_wine "$programs/pipe_launcher.exe" closed "$(winpath "$exe")" cmdline >out 2>err || rc=$?
[ "$rc" = 1 ] && [ ! -s out ] || fail "Windows pipe whose reader has gone: exit $rc"
report_check "Windows pipe whose reader has gone: I/O error 232, exit 1" EInOutError 'I/O error 232\.' err

# A full PIPE_NOWAIT pipe: WriteFile succeeds with 0 bytes written. That is
# failure 29, never bytes silently lost: the pipe holds the exact first
# bytes of the output, the blocks that fitted in its 4,000 bytes.
mapfile -t nowait_texts < <(seq -f 'nowait-text-%05g' 1 400)
printf 'brisquel.exe /F %s' "${nowait_texts[*]}" >cmdline
run_wine "$programs/launcher.exe" "$(winpath "$exe")" cmdline >whole 2>/dev/null || true
rc=0; run_wine "$programs/pipe_launcher.exe" nowait "$(winpath "$exe")" cmdline >out 2>err || rc=$?
size=$(stat -c %s out)
if [ "$rc" = 1 ] && [ "$size" -ge 3968 ] && [ "$size" -le 4000 ] && cmp -s out <(head -c "$size" whole); then
  report_check "full PIPE_NOWAIT pipe: a 0-byte write is I/O error 29, exit 1" EInOutError 'I/O error 29\.' err
else
  fail "full PIPE_NOWAIT pipe: exit $rc, $size bytes in the pipe"
fi


# write_sizes COUNT: the sizes of the first COUNT write calls that carry
# the program's output, from a trace of a run (Wine writes on reused
# descriptors too, so only the descriptor that got the banner counts).
write_sizes() {
  local fd
  fd=$(sed -n 's/^[0-9]* *write(\([0-9]*\), "BRISQUEL 1\.0 - .*/\1/p' trace | head -n 1)
  sed -n '/write([0-9]*, "BRISQUEL 1\.0 - /,$p' trace |
    sed -n "s/^[0-9]* *write($fd, .*) = \([0-9]*\)\$/\1/p" | head -n "$1" | tr '\n' ' '
}

# On a pipe WriteFile gets 128-byte blocks and the rest at the end: the
# banner and usage text make 451 bytes, 3 blocks and 67 bytes.
rc=0
LC_ALL=C.UTF-8 timeout "$WINE_TIMEOUT" strace -f -e trace=write -e signal=none -o trace \
  wine "$exe" 2>err | cat >out || rc=$?
sizes=$(write_sizes 4)
if [ "$rc" = 0 ] && [ "$sizes" = "128 128 128 67 " ]; then
  pass "pipe: 128-byte WriteFile blocks"
else
  fail "pipe: exit $rc, write sizes [$sizes]"
fi

# A character device (Wine's type for /dev/null, as for a console) gets
# each line at its line end.
rc=0
LC_ALL=C.UTF-8 timeout "$WINE_TIMEOUT" strace -f -e trace=write -e signal=none -o trace \
  wine "$exe" >/dev/null 2>err || rc=$?
sizes=$(write_sizes 10)
want=$((${#banner} + 2))
for line in "${usage[@]}"; do want+=" $((${#line} + 2))"; done
if [ "$rc" = 0 ] && [ "$sizes" = "$want " ]; then
  pass "character device: one WriteFile a line"
else
  fail "character device: exit $rc, write sizes [$sizes], want [$want]"
fi

# --- Out of memory ---------------------------------------------------------

# oom_case NAME WINDOWS TEXT...: a search whose address space is taken away
# while it waits on its output pipe (after the heading) must end in the
# Out of memory report after its whole echo, with exit code 1. WINDOWS
# windows with 254-character titles fill the heap with small blocks; many
# texts with many different bytes make the matcher ask for large ones.
oom_case() {
  local name=$1 windows=$2
  shift 2
  printf 'brisquel.exe /F %s' "$*" >cmdline
  rc=0
  run_wine "$programs/oom_launcher.exe" "$(winpath "$exe")" cmdline "$windows" >out 2>err || rc=$?
  search_lines "$@"
  { lines "$banner" "${echo_lines[@]}"
    printf 'Exception EOutOfMemory in module brisquel.exe at 00000000.\nOut of memory.\r\n'; } >want
  if [ "$rc" = 1 ] && cmp -s want out && [ ! -s err ]; then
    pass "out of memory: $name"
  else
    fail "out of memory: $name: exit $rc (want 1)"
    diff <(cat -A want) <(cat -A out) | tail -5 || true
    head -c 400 err || true
  fi
}
mapfile -t oom_texts < <(seq -f 'text-%05g-xyz' 1 400)
oom_case "9,000 windows in the snapshot" 9000 "${oom_texts[@]}"
# 1,400 texts of 20 bytes from 67 byte values: a matcher table of 7 MB.
mapfile -t oom_texts < <(awk 'BEGIN {
  set = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!#$%&()*+,-./:;<=>?@[]^_`{|}~'"'"'"; srand(17)
  for (i = 0; i < 1400; i++) { t = ""; for (j = 0; j < 20; j++) t = t substr(set, 1 + int(rand() * length(set)), 1); print t }
}')
oom_case "a large matcher table" 0 "${oom_texts[@]}"

# --- Faults ----------------------------------------------------------------

code_size=$((0x$(i686-w64-mingw32-objdump -p "$programs/fault_probe.exe" | sed -n 's/^SizeOfCode[[:space:]]*//p')))
fault_cases=(
  # probe arguments | kind | second line (regex) | the place is in our code
  'read|EAccessViolation|Access violation at address ([0-9A-F]{8})\. Read of address 00000000\.|yes'
  'write|EAccessViolation|Access violation at address ([0-9A-F]{8})\. Write of address 00000010\.|yes'
  'divide|EDivByZero|Division by zero\.|yes'
  'overflow|EIntOverflow|Integer overflow\.|yes'
  'bounds|ERangeError|Range check error\.|yes'
  'privileged|EPrivilege|Privileged instruction\.|yes'
  'stack|EStackOverflow|Stack overflow\.|yes'
  'raise C0000005 1 DEAD|EAccessViolation|Access violation at address ([0-9A-F]{8})\. Write of address 0000DEAD\.|no'
  'raise C000008C 0 0|ERangeError|Range check error\.|no'
  'raise C000008D 0 0|EUnderflow|Floating point underflow\.|no'
  'raise C000008E 0 0|EZeroDivide|Floating point division by zero\.|no'
  'raise C000008F 0 0|EInvalidOp|Invalid floating point operation\.|no'
  'raise C0000090 0 0|EInvalidOp|Invalid floating point operation\.|no'
  'raise C0000091 0 0|EOverflow|Floating point overflow\.|no'
  'raise C0000092 0 0|EInvalidOp|Invalid floating point operation\.|no'
  'raise C0000093 0 0|EUnderflow|Floating point underflow\.|no'
  'raise C0000094 0 0|EDivByZero|Division by zero\.|no'
  'raise C0000095 0 0|EIntOverflow|Integer overflow\.|no'
  'raise C0000096 0 0|EPrivilege|Privileged instruction\.|no'
  'raise C00000FD 0 0|EStackOverflow|Stack overflow\.|no'
  'raise E0001234 0 0|EExternalException|External exception E0001234\.|no'
)
# Wine 10 and later ignore SetThreadStackGuarantee on the main thread: a
# real stack overflow there ends the process inside Wine, before any
# handler runs (Windows keeps the guarantee). The raised C00000FD case
# still checks the report.
wine_major=$(wine --version 2>/dev/null | sed -n 's/^wine-\([0-9]*\).*/\1/p')
if [ "${wine_major:-0}" -ge 10 ]; then
  echo "skip fault stack: Wine $wine_major ends a main-thread stack overflow before the program's filter runs" >&2
  fault_cases=("${fault_cases[@]/#stack|*/}")
fi
# Under qemu-user a processor fault reaches the program as another code
# (an illegal instruction, C000001D), so there the six traps are raised
# from the probe's own code with the code and parameters the processor
# gives: the report path is the same, the trap is not.
if [ "${WIN32_ROUTE:-native}" = emulated ]; then
  echo "note fault read, write, divide, overflow, bounds, privileged: raised as the processor would under qemu-user; the traps themselves were not exercised" >&2
fi
for entry in "${fault_cases[@]}"; do
  [ -n "$entry" ] || continue
  IFS='|' read -r arguments kind message ours <<<"$entry"
  if [ "${WIN32_ROUTE:-native}" = emulated ] && [[ " read write divide overflow bounds privileged " == *" $arguments "* ]]; then
    arguments="raised $arguments"
  fi
  rc=0
  # shellcheck disable=SC2086  # the probe's arguments are words
  run_wine "$programs/fault_probe.exe" $arguments >out 2>base || rc=$?
  text=$(cat out; echo .)
  text=${text%.}
  pattern="^Exception $kind in module fault_probe\\.exe at ([0-9A-F]{8})\\."$'\n'"$message"$'\r\n$'
  if [ "$rc" = 1 ] && [[ $text =~ $pattern ]]; then
    offset=$((0x${BASH_REMATCH[1]}))
    base=$((0x$(tr -d '\r' <base | head -n 1)))
    if [ "$ours" = yes ] && [ "$offset" -ge "$code_size" ]; then
      fail "fault $arguments: place ${BASH_REMATCH[1]} is outside the code"
    elif [ -n "${BASH_REMATCH[2]:-}" ] && [ "$ours" = yes ] &&
      [ $((0x${BASH_REMATCH[2]} - base)) != "$offset" ]; then
      fail "fault $arguments: address ${BASH_REMATCH[2]} is not code base + place"
    else
      pass "fault $arguments: $kind"
    fi
  else
    fail "fault $arguments: exit $rc, report:"
    cat -A out | head -5
  fi
done

# --- Windows of our own ----------------------------------------------------

long_title=$(printf 'L%.0s' {1..300})
title41=$(printf 'T%.0s' {1..41})
class41=$(printf 'C%.0s' {1..41})
titles=() classes=()
: >layout
# window KIND CLASS TITLE KEPT_CLASS [SHOWN]: one window for window_maker,
# and the class name as the snapshot must keep it; SHOWN is the title as
# the program prints it, when that is not TITLE (a wide window's title in
# the ANSI code page).
window() {
  printf '%s\t%s\t%s\n' "$1" "$2" "$3" >>layout
  titles+=("${5-${3:0:254}}")
  classes+=("$4")
}
window shown Plain Calculator Plain
window shown 'Afx 0x1234' 'Untitled - Notepad' Afx
window hidden Plain '' Plain
window hidden 'Hidden Class' 'Hidden window' 'Hidden Class'
window shown Plain "$long_title" Plain
window shown 'Upper 0X12' Duplicate 'Upper 0X12'
window shown ' 0xLead' Duplicate ' 0xLead'
window shown 'Two 0x1 0x2' 'Percent %s%n %d' Two
window shown 'Tail 0x' $'\xc9t\xe9 \xa0caf\xe9' Tail
window owned Popup 'Owned popup' Popup
window shown "$class41" 'Exactly twenty-eight chars!!' "$class41"
window shown Plain 'Twenty-nine characters long!!' Plain
window shown Plain "$title41" Plain
# Titles set through SetWindowTextW: characters the ANSI code page lacks
# are printed as '?', and searched as written.
window wide Wide '日本語' Wide '???'
window wide Wide 'Привет Жук' Wide '?????? ???'
window wide Wide 'a😀b' Wide 'a??b'
window wide Wide 'Why?' Wide

# window_maker lives through the whole section, some twenty program runs
# (about 2 s each under qemu-user); its limit only bounds a hang.
WINE_TIMEOUT=660 run_wine "$programs/window_maker.exe" layout made stop >maker.out 2>&1 &
maker_pid=$!
for _ in $(seq 1 1200); do
  [ -f made ] && break
  kill -0 "$maker_pid" 2>/dev/null || break
  sleep 0.1
done
[ -f made ] || { fail "window_maker did not start: $(cat maker.out)"; exit 1; }

# Our titled windows in the desktop's order, as window_maker saw it.
order=() hwnd=() tid=() pid=() owner=()
while read -r line h t p o; do
  hwnd[line]=$h tid[line]=$t pid[line]=$p owner[line]=$o
  [ -n "${titles[line]}" ] && order+=("$line")
done <made

# ours_in_list FILE keeps the lines of a /L output that name one of our
# windows, the untitled one (line 2 of the list) included: it must be absent.
ours_in_list() {
  local pattern=
  for i in "${order[@]}" 2; do pattern+="${pattern:+|} HWND:\\\$${hwnd[i]} PID:"; done
  grep -E "$pattern" "$1" || true
}

brisquel /L
helper_alive "$maker_pid" window_maker maker.out
cp out list_out
list_rc=$rc
: >want
for i in "${order[@]}"; do
  printf '  [%-28s] TID:$%s HWND:$%s PID:$%s PAR:$%s\r\n' "${titles[i]:0:28}" \
    "${tid[i]}" "${hwnd[i]}" "${pid[i]}" "${owner[i]}" >>want
done
ours_in_list list_out >got
if [ "$list_rc" = 0 ] && [ "$(head -n 1 list_out)" = "$banner"$'\r' ] && cmp -s want got; then
  pass "/L: our titled windows, in the desktop's order, exact lines"
else
  fail "/L: exit $list_rc"
  diff <(cat -A want) <(cat -A got) | head -20 || true
fi

# /C lists the same snapshot: pick the lines at the places /L had ours.
brisquel /C
helper_alive "$maker_pid" window_maker maker.out
class_rc=$rc
: >want
for i in "${order[@]}"; do
  printf '  [%-40s] [%-30s]\r\n' "${titles[i]}" "${classes[i]}" >>want
done
places=$(grep -n -F -f <(for i in "${order[@]}"; do echo " HWND:\$${hwnd[i]} PID:"; done) list_out | cut -d: -f1 | tr '\n' ' ')
: >got
for n in $places; do sed -n "${n}p" out >>got; done
if [ "$class_rc" = 0 ] && [ "$(wc -l <out)" = "$(wc -l <list_out)" ] && cmp -s want got; then
  pass "/C: our titled windows with their cut class names"
else
  fail "/C: exit $class_rc"
  diff <(cat -A want) <(cat -A got) | head -20 || true
fi

# search NAME RAW MATCHES TEXT...: MATCHES lists window:text pairs (text
# counted from 0) that must be found; RAW=raw passes an exact command line.
# The echo shows the texts, or those in shown when it is set (the texts in
# the ANSI code page).
shown=()
search() {
  local name=$1 raw=$2 matches=" $3 " i j
  shift 3
  if [ "$raw" = raw ]; then
    brisquel_raw "brisquel.exe /F $*"
  else
    brisquel /F "$@"
  fi
  helper_alive "$maker_pid" window_maker maker.out
  if [ ${#shown[@]} -gt 0 ]; then search_lines "${shown[@]}"; else search_lines "$@"; fi
  local found=()
  for i in "${order[@]}"; do
    for j in $(seq 0 $(($# - 1))); do
      if [[ $matches == *" $i:$j "* ]]; then
        found+=("$(printf '  Found [%-35s] TID:$%s, HWND:$%s, PID:$%s' "${titles[i]}" \
          "${tid[i]}" "${hwnd[i]}" "${pid[i]}")")
      fi
    done
  done
  if [ ${#found[@]} -gt 0 ]; then
    expect "/F $name" 1 "${echo_lines[@]}" "${found[@]}" "  ErrorLevel(1)"
  else
    expect "/F $name" 0 "${echo_lines[@]}" "  ErrorLevel(0)"
  fi
}
search "calc and blanks around EDIT" direct "0:0" calc '  EDIT'
search "duplicates and %s%n" direct "5:0 6:0 7:1 7:2" duplicate percent '%s%n'
search "hidden and owned windows" direct "3:0 9:1" 'hidden WINDOW ' owned
search "a 300-character title, printed cut to 254" direct "4:0" LLLLLLLLLL
search "bytes above 127 match only themselves" raw "8:0 8:2" $'\xc9t\xe9' $'\xe9t\xe9' $'CAF\xe9'
search "no match" direct "" 'no such window anywhere'
shown=('?');   search "a letter the code page lacks finds only its own title" direct "14:0" 'Ж'
shown=();      search "a real '?' finds only a real '?'" direct "16:0" '?'
shown=('??');  search "an emoji finds only itself" direct "15:0" '😀'
shown=('???'); search "Japanese finds only itself" direct "13:0" '日本語'
shown=('???'); search "only ASCII letters fold" direct "" 'жук'
shown=('???' '??'); search "two texts the code page lacks" direct "14:0 15:1" 'Жук' '😀'
shown=()

touch stop
wait "$maker_pid" || fail "window_maker ended badly: $(cat maker.out)"
maker_pid=

if [ "$failures" -gt 0 ]; then
  echo "$failures Wine test(s) failed" >&2
  exit 1
fi
echo "all Wine tests passed" >&2
