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

# Seconds any single Wine call may take before it counts as hung.
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
  LC_ALL=C.UTF-8 timeout "$WINE_TIMEOUT" wineboot -i >/dev/null 2>&1 </dev/null
  timeout "$WINE_TIMEOUT" wineserver -w
  touch "$WINEPREFIX/.brisquel-ready"
}

# run_wine PROGRAM ARGS... runs a Windows program under the timeout, in
# the UTF-8 C locale that Wine is tested with (the caller's own byte work
# may use another). Callers redirect it to files or pipes, never a
# terminal: Wine adds escape sequences there.
run_wine() {
  LC_ALL=C.UTF-8 timeout "$WINE_TIMEOUT" wine "$@"
}
