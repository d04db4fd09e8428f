# shellcheck shell=bash
# How this machine runs the 32-bit x86 code that Wine runs a 32-bit Windows
# program as: natively, or through qemu-user registered with binfmt_misc
# where the kernel refuses such code (some virtual machines give no 32-bit
# code segment). Source it after scripts/lib.sh and wine_env.sh.
#
# BRISQUEL_WIN32_ROUTE=qemu takes the emulated route even where the kernel
# runs 32-bit code, to try it there: the registration is then made in a
# user namespace of the run's own (Linux 6.7 and later give each one its
# own binfmt_misc), so the machine's other Wine programs stay native.

WIN32_BINFMT_DIR=/proc/sys/fs/binfmt_misc
WIN32_BINFMT_NAME=brisquel-i386
# 32-bit little-endian x86 ELF executables and shared objects (Wine's
# loaders are position-independent), as qemu's own binfmt table has them.
WIN32_I386_MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
WIN32_I386_MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
# The same bytes as binfmt_misc shows them in an entry.
WIN32_I386_MAGIC_SHOWN=7f454c4601010100000000000000000002000300

# win32_route: sets WIN32_ROUTE to native or emulated and exports it (the
# Wine suites read it), installing what that route needs: qemu-user, the
# registration, Wine. Returns 1, saying why on standard error, where no
# 32-bit x86 code can run (WIN32_ROUTE=none) or the release packages no
# Wine (WIN32_ROUTE=no-wine).
win32_route() {
  WIN32_ROUTE=none
  export WIN32_ROUTE
  if ! win32_wine_packaged; then
    WIN32_ROUTE=no-wine
    echo "Debian ${DEBIAN_RELEASE:-?} packages no Wine for i386" >&2
    return 1
  fi
  if [ "${BRISQUEL_WIN32_ROUTE:-}" = qemu ]; then
    win32_emulate && WIN32_ROUTE=emulated
    return
  fi
  # Mounted only for this look where nothing else mounted it.
  local mounted=
  [ -e "$WIN32_BINFMT_DIR/register" ] || { win32_binfmt_mount 2>/dev/null && mounted=yes; }
  if win32_registered_elsewhere; then
    # Someone else's emulator takes 32-bit programs: it is used as it is.
    need_packages "${WIN32_WINE_PACKAGES[@]}" wine64 || return 1
    machine_runs_32bit_x86 && WIN32_ROUTE=emulated
    [ "$WIN32_ROUTE" = emulated ] || echo "an i386 binfmt_misc entry is registered but 32-bit x86 programs do not run" >&2
    [ "$WIN32_ROUTE" = emulated ]
    return
  fi
  # Our entry from an earlier run is made again, so that an upgraded qemu
  # is the one used.
  if [ -e "$WIN32_BINFMT_DIR/$WIN32_BINFMT_NAME" ] || ! machine_runs_32bit_x86; then
    win32_emulate && WIN32_ROUTE=emulated
    return
  fi
  WIN32_ROUTE=native
  [ -z "$mounted" ] || as_root umount "$WIN32_BINFMT_DIR" || true
  need_packages "${WIN32_WINE_PACKAGES[@]}"
}

# win32_wine_packaged: whether this release's archives hold Wine's 32-bit
# loader (Debian testing went without it for a time).
win32_wine_packaged() {
  dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'ok installed' && return 0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    apt_locked dpkg --add-architecture i386 && apt_update || return 1
  fi
  local candidate
  candidate=$(LC_ALL=C apt-cache policy wine32:i386 2>/dev/null | sed -n 's/^ *Candidate: *//p')
  if [ -z "$candidate" ]; then
    apt_update || return 1
    candidate=$(LC_ALL=C apt-cache policy wine32:i386 2>/dev/null | sed -n 's/^ *Candidate: *//p')
  fi
  [ -n "$candidate" ] && [ "$candidate" != "(none)" ]
}

# win32_emulate: qemu-user 8 or later, Wine with its 64-bit server (the
# server does much of the work and need not be emulated), and our binfmt
# entry, made again every time so that it names the qemu installed now.
# Then the 32-bit probe must run.
win32_emulate() {
  local qemu
  need_packages "${WIN32_WINE_PACKAGES[@]}" wine64 || return 1
  qemu=$(win32_qemu) || return 1
  win32_binfmt_mount || { echo "cannot mount binfmt_misc at $WIN32_BINFMT_DIR" >&2; return 1; }
  win32_unregister
  if ! printf ':%s:M::%s:%s:%s:F' "$WIN32_BINFMT_NAME" "$WIN32_I386_MAGIC" "$WIN32_I386_MASK" "$qemu" |
    as_root tee "$WIN32_BINFMT_DIR/register" >/dev/null; then
    echo "cannot register $qemu for 32-bit x86 programs with binfmt_misc" >&2
    return 1
  fi
  if ! machine_runs_32bit_x86; then
    echo "32-bit x86 programs do not run even through $qemu" >&2
    return 1
  fi
  echo "win32: this machine runs 32-bit x86 code through $($qemu --version | head -n 1) (binfmt_misc entry $WIN32_BINFMT_NAME)" >&2
}

# win32_qemu: prints the path of a static qemu-i386 of version 8 or later,
# installing it first. Version 7 loops on Wine's address-space reservation
# (it does not honour MAP_FIXED_NOREPLACE) and wineboot never ends.
# Debian 12 has version 8 or later only in its backports suite; Debian 13
# has 10 as qemu-user (qemu-user-static is a transitional name there);
# testing has qemu-user alone.
win32_qemu() {
  local qemu
  if qemu=$(win32_qemu_found); then echo "$qemu"; return 0; fi
  case $DEBIAN_RELEASE in
    12)
      win32_backports || return 1
      echo "installing packages: qemu-user-static from bookworm-backports" >&2
      apt_locked apt-get install -y -qq --no-install-recommends -t bookworm-backports qemu-user-static ||
        { echo "could not install qemu-user-static from bookworm-backports" >&2; return 1; }
      ;;
    *) need_packages qemu-user || return 1 ;;
  esac
  qemu=$(win32_qemu_found) || { echo "no qemu-i386 of version 8 or later after installing qemu-user" >&2; return 1; }
  echo "$qemu"
}

# win32_qemu_found: prints the first qemu-i386 of version 8 or later.
win32_qemu_found() {
  local qemu major
  for qemu in /usr/bin/qemu-i386-static /usr/bin/qemu-i386; do
    [ -x "$qemu" ] || continue
    major=$("$qemu" --version 2>/dev/null | sed -n '1s/^.* version \([0-9]*\)\..*/\1/p')
    [ "${major:-0}" -ge 8 ] && { echo "$qemu"; return 0; }
  done
  return 1
}

# win32_backports: bookworm-backports in apt's sources, on the archive the
# machine's own sources use.
win32_backports() {
  local mirror
  grep -Eqs '^[^#]*bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
    /etc/apt/sources.list.d/*.sources && return 0
  mirror=$(sed -n 's/^URIs:[[:space:]]*//p' /etc/apt/sources.list.d/*.sources 2>/dev/null | grep -v security | head -n 1)
  [ -n "$mirror" ] || mirror=$(sed -n 's/^deb[[:space:]]\+\(\[[^]]*\][[:space:]]\+\)\?\([^[:space:]]\+\)[[:space:]]\+bookworm[[:space:]].*/\2/p' \
    /etc/apt/sources.list 2>/dev/null | head -n 1)
  echo "adding bookworm-backports (${mirror:=http://deb.debian.org/debian}) to apt's sources for qemu-user 8 or later" >&2
  printf 'Types: deb\nURIs: %s\nSuites: bookworm-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$mirror" | as_root tee /etc/apt/sources.list.d/brisquel-backports.sources >/dev/null && apt_update
}

# win32_binfmt_mount: binfmt_misc mounted where its tools look for it (a
# chroot's /proc does not carry the machine's mount).
win32_binfmt_mount() {
  [ -e "$WIN32_BINFMT_DIR/register" ] || as_root mount -t binfmt_misc binfmt_misc "$WIN32_BINFMT_DIR"
}

# win32_registered_elsewhere: an enabled binfmt_misc entry other than ours
# takes 32-bit x86 programs.
win32_registered_elsewhere() {
  local entry
  for entry in "$WIN32_BINFMT_DIR"/*; do
    case ${entry##*/} in register | status | "$WIN32_BINFMT_NAME") continue ;; esac
    [ -r "$entry" ] && grep -qx enabled "$entry" && grep -qx "magic $WIN32_I386_MAGIC_SHOWN" "$entry" && return 0
  done
  return 1
}

# win32_unregister removes our entry if it is there.
win32_unregister() {
  [ -e "$WIN32_BINFMT_DIR/$WIN32_BINFMT_NAME" ] || return 0
  echo -1 | as_root tee "$WIN32_BINFMT_DIR/$WIN32_BINFMT_NAME" >/dev/null
}

# win32_private_route ARGS...: for BRISQUEL_WIN32_ROUTE=qemu, runs the
# calling script again with ARGS in a user and mount namespace of its own,
# where binfmt_misc is mounted afresh and holds only what the run registers
# (packages are installed before, since apt cannot work in there). Returns
# when there is nothing to do.
win32_private_route() {
  [ "${BRISQUEL_WIN32_ROUTE:-}" = qemu ] && [ -z "${BRISQUEL_WIN32_PRIVATE:-}" ] || return 0
  need_packages "${WIN32_WINE_PACKAGES[@]}" wine64 || exit 1
  win32_qemu >/dev/null || exit 1
  if ! unshare --user --map-root-user --mount true 2>/dev/null; then
    echo "BRISQUEL_WIN32_ROUTE=qemu needs a user namespace of the run's own (unshare), so that no other program is emulated" >&2
    exit 1
  fi
  # The caller's own path, so that the namespace runs the same script.
  # shellcheck disable=SC2016  # the inner shell expands them
  BRISQUEL_WIN32_PRIVATE=1 exec unshare --user --map-root-user --mount \
    bash -c 'mount -t binfmt_misc binfmt_misc "$1" && shift && exec "$@"' bash \
    "$WIN32_BINFMT_DIR" "$0" "$@"
}
