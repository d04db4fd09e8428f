# shellcheck shell=bash
# Wine settings and the private prefix for the Windows program; source it,
# do not run it. Needs BRISQUEL_ROOT (scripts/lib.sh sets it).

# A 32-bit prefix of our own, kept in the build tree so that a fresh clone
# starts from nothing and no user prefix is touched.
export WINEPREFIX="$BRISQUEL_ROOT/build/win32/wineprefix"
export WINEARCH=win32
export WINEDEBUG=-all
# No Mono or Gecko installer dialogs; a crash must end the process, not
# start the debugger and wait for it.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe,winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

# Seconds any single Wine call may take before it counts as hung. Under
# qemu-user (scripts/win32-route.sh) a run takes about 2 s with the server
# up and 12 s cold, a new prefix about 30 s.
WINE_TIMEOUT=${WINE_TIMEOUT:-60}

# prepare_wine_prefix creates the prefix once: the null graphics driver is
# chosen in user.reg before wineboot, so Wine never looks for a display.
prepare_wine_prefix() {
  [ -f "$WINEPREFIX/.brisquel-ready" ] && return 0
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  cat > "$WINEPREFIX/user.reg" <<'REG'
WINE REGISTRY Version 2
;; All keys relative to \\User\\S-1-5-21-0-0-0-1000

#arch=win32

[Software\\Wine\\Drivers]
"Graphics"="null"
REG
  LC_ALL=C.UTF-8 timeout 300 wineboot -i >/dev/null 2>&1 </dev/null
  timeout 300 wineserver -w
  touch "$WINEPREFIX/.brisquel-ready"
}

# start_wineserver: one persistent server for the prefix, for a whole
# suite, unless the caller's is already up (BRISQUEL_WINESERVER_PID, which
# it exports for the scripts it runs). Left to itself a server ends three
# seconds after its last client, and a program starting just then loses
# its connection; starting one costs seconds under emulation.
# stop_wineserver ends it and the prefix's Wine processes if this script
# started it.
wineserver_started=
start_wineserver() {
  if [ -n "${BRISQUEL_WINESERVER_PID:-}" ] && kill -0 "$BRISQUEL_WINESERVER_PID" 2>/dev/null; then
    return 0
  fi
  local waited=0
  wineserver -f -p >/dev/null 2>&1 </dev/null &
  BRISQUEL_WINESERVER_PID=$!
  wineserver_started=$BRISQUEL_WINESERVER_PID
  export BRISQUEL_WINESERVER_PID
  # Ready once it listens: a client that came first would start a server
  # of its own. (Where its socket lies differs between Wine's builds.)
  until wineserver_listening "$BRISQUEL_WINESERVER_PID"; do
    if ! kill -0 "$BRISQUEL_WINESERVER_PID" 2>/dev/null || [ "$waited" -ge 600 ]; then
      echo "wineserver did not start listening within $((waited / 10)) s" >&2
      return 1
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
}
# wineserver_listening PID: whether the process holds a listening socket.
wineserver_listening() {
  local fd target
  for fd in /proc/"$1"/fd/*; do
    target=$(readlink "$fd" 2>/dev/null) || continue
    [[ $target == socket:\[*\] ]] || continue
    target=${target#socket:[}
    # /proc/net/unix: Flags 00010000 is a socket that listens.
    awk -v inode="${target%]}" '$7 == inode && $4 == "00010000" { found = 1 } END { exit !found }' \
      "/proc/$1/net/unix" && return 0
  done
  return 1
}
stop_wineserver() {
  [ -n "$wineserver_started" ] || return 0
  # Ended by a signal alone, the server leaves its device services running;
  # asked to end (-k), it ends each process it serves, then itself.
  timeout "$WINE_TIMEOUT" wineserver -k 2>/dev/null || true
  kill "$wineserver_started" 2>/dev/null || true
  wait "$wineserver_started" 2>/dev/null || true
  wineserver_started=
  unset BRISQUEL_WINESERVER_PID
}

# run_wine PROGRAM ARGS... runs a Windows program under the timeout, in
# the UTF-8 C locale that Wine is tested with (the caller's own byte work
# may use another). Callers redirect it to files or pipes, never a
# terminal: Wine adds escape sequences there.
run_wine() {
  LC_ALL=C.UTF-8 timeout "$WINE_TIMEOUT" wine "$@"
}

# helper_alive PID NAME OUTPUT: a helper program that keeps windows open
# must still run; if it has ended, says so with what it wrote (OUTPUT)
# and ends the test, so that its death never passes for missed windows.
helper_alive() {
  kill -0 "$1" 2>/dev/null && return 0
  local rc=0
  wait "$1" || rc=$?
  echo "FAIL $2 ended early (exit $rc): $(head -c 400 "$3")"
  exit 1
}

# machine_runs_32bit_x86 says whether this machine's kernel runs 32-bit x86
# programs, which the Wine that runs a 32-bit Windows program is made of.
# Some kernels are built or started without it (their virtual machines give
# no 32-bit code segment), and then every Wine call ends in "Exec format
# error". It runs a 96-byte i386 program that only exits with 42.
machine_runs_32bit_x86() {
  local probe=$BRISQUEL_ROOT/build/win32/i386-probe rc=0
  mkdir -p "${probe%/*}"
  {
    # ELF header: 32-bit, little-endian, executable, i386, entry 0x08048054.
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
    printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'
    # One loadable, readable and executable segment: the whole file.
    printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
    printf '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
    # mov eax, 1 (exit); mov ebx, 42; int 0x80
    printf '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80'
  } >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || rc=$?
  [ "$rc" = 42 ]
}
