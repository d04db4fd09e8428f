# The lines of the three reports, filled as the program fills them, for the
# end-to-end suites; source it, do not run it. Each line function appends
# its line to the variable named first.

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
