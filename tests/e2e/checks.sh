# The checks of the end-to-end suites that run the program on a desktop:
# source it, do not run it. The suite sets work (a folder) and failures
# (a count) and leaves each run's stdout, stderr and exit code in
# $work/out, $work/err and $work/rc.

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# banner_of BIN sets banner to the banner line of the version BIN was built
# with, read from its build tree.
banner_of() {
  local version
  version=$(sed -nE 's/^#define BRISQUEL_VERSION "(.*)"$/\1/p' "$(dirname "$1")/generated/app/version.h")
  [ -n "$version" ] || { echo "FAIL: no version in the build tree of $1" >&2; exit 1; }
  banner="BRISQUEL $version - window lists, class lists and title search"$'\r\n'
}

# check NAME WANT_STDOUT WANT_RC [WANT_STDERR]: the last run, exact bytes.
check() {
  local name=$1 want=$2 want_rc=$3 want_err=${4:-}
  printf '%s' "$want" >"$work/want"
  cmp -s "$work/out" "$work/want" || {
    fail "$name: output differs"
    diff <(od -c "$work/want") <(od -c "$work/out") | head -10 >&2 || true
  }
  [ "$(cat "$work/rc")" -eq "$want_rc" ] || fail "$name: exit code $(cat "$work/rc"), want $want_rc"
  printf '%s' "$want_err" >"$work/want_err"
  cmp -s "$work/err" "$work/want_err" || fail "$name: standard error: $(od -c "$work/err" | head -3)"
}

# The lines of the three reports, filled as the program fills them. Each
# line function appends its line to the variable named first.

append() { printf -v "$1" '%s%s' "${!1}" "$2"; }

# cols WIDTH TEXT sets REPLY to TEXT cut to WIDTH columns, or filled with
# spaces to WIDTH (MIN:WIDTH: filled, never cut). The Linux program counts
# UTF-8 characters on screen; the suites' titles hold no wide characters or
# combining marks, so a character (a byte that is no UTF-8 one included) is
# a column.
cols() {
  local LC_ALL=C.UTF-8 text=$2
  [[ $1 == MIN:* ]] || text=${text:0:$1}
  local width=${1#MIN:}
  local fill=$((width - ${#text}))
  printf -v REPLY '%s%*s' "$text" $((fill > 0 ? fill : 0)) ''
}

# list_line VAR TITLE PID HWND PARENT (the thread id is the process id)
list_line() { local l; cols 28 "$2"; printf -v l '  [%s] TID:$%X HWND:$%X PID:$%X PAR:$%X\r\n' "$REPLY" "$3" "$4" "$3" "$5"; append "$1" "$l"; }
# class_line VAR TITLE CLASS
class_line() { local l t; cols MIN:40 "$2"; t=$REPLY; cols MIN:30 "$3"; printf -v l '  [%s] [%s]\r\n' "$t" "$REPLY"; append "$1" "$l"; }
# found_line VAR TITLE PID HWND
found_line() { local l; cols MIN:35 "$2"; printf -v l '  Found [%s] TID:$%X, HWND:$%X, PID:$%X\r\n' "$REPLY" "$3" "$4" "$3"; append "$1" "$l"; }
