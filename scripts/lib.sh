# Helpers shared by the scripts; source it, do not run it.

BRISQUEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# need_packages PKG... installs the Debian packages that are missing.
# A package named NAME:i386 turns on the i386 architecture first.
need_packages() {
  local missing=() pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing packages: ${missing[*]}" >&2
  if [[ " ${missing[*]}" == *":i386"* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    apt_locked dpkg --add-architecture i386 || return 1
  fi
  if ! apt_update ||
     ! apt_locked apt-get install -y -qq --no-install-recommends "${missing[@]}"; then
    echo "could not install: ${missing[*]}" >&2
    return 1
  fi
}

# apt_update: apt-get update, tried again (3 times in all, 20 s apart) when
# an index fails to download, as it does while a mirror is being synced.
apt_update() {
  local try
  for try in 1 2 3; do
    apt_locked apt-get update -qq && return 0
    [ "$try" -lt 3 ] || break
    echo "apt-get update failed (a mirror being synced?): trying again in 20 s" >&2
    sleep 20
  done
  return 1
}

# apt_locked COMMAND...: runs an apt-get or dpkg command as root, one at a
# time (suites run side by side share apt's locks), waiting while another
# package manager holds apt's or dpkg's lock (apt_step). Its output is
# shown only when it fails.
apt_locked() {
  local log rc=0
  log=$(mktemp)
  as_root flock /var/lock/brisquel-apt.lock \
    bash -c "$(declare -f apt_step); apt_step \"\$@\"" apt_step "$log" "$@" || rc=$?
  [ "$rc" -eq 0 ] || cat "$log" >&2
  rm -f "$log"
  return "$rc"
}

# apt_step LOG COMMAND...: runs COMMAND with its output in LOG, tried
# again every 5 seconds while another package manager (unattended upgrades
# at boot, another apt or dpkg) holds apt's or dpkg's lock, for at most 10
# minutes; says so on standard error when it starts to wait and every 30
# seconds after.
apt_step() {
  local log=$1 waited=0 held
  shift
  while :; do
    if DEBIAN_FRONTEND=noninteractive LC_ALL=C "$@" >"$log" 2>&1; then
      [ "$waited" -eq 0 ] || echo "the package lock is free after ${waited} s" >&2
      return 0
    fi
    held=$(grep -Eo 'Could not get lock .*|dpkg frontend lock .*locked by another process.*' "$log" | head -n 1)
    [ -n "$held" ] || return 1
    if [ "$waited" -ge 600 ]; then
      echo "gave up waiting for the package lock after ${waited} s: $held" >&2
      return 1
    fi
    [ $((waited % 30)) -ne 0 ] ||
      echo "waiting for another package manager (${waited} s of at most 600 s): $held" >&2
    sleep 5
    waited=$((waited + 5))
  done
}

# The Debian release this machine runs (/etc/os-release): 12, 13 or
# testing (testing and unstable share their os-release: forky, no version
# number). Some package names differ between them, and the .deb is made for
# one. A release newer than these is taken for testing, with a line saying
# so, since testing is what it grew from.
DEBIAN_RELEASE=$( . /etc/os-release 2>/dev/null && echo "${VERSION_ID:-${VERSION_CODENAME:-}}")
case $DEBIAN_RELEASE in
  12 | bookworm) DEBIAN_RELEASE=12 ;;
  13 | trixie) DEBIAN_RELEASE=13 ;;
  forky | sid) DEBIAN_RELEASE=testing ;;
  *)
    if [ -z "${BRISQUEL_RELEASE_SAID:-}" ]; then
      echo "scripts/lib.sh: Debian '${DEBIAN_RELEASE:-unknown}' (/etc/os-release) is not one the package names" \
        "are known for (12, 13, testing, unstable); using Debian testing's names" >&2
      export BRISQUEL_RELEASE_SAID=1
    fi
    DEBIAN_RELEASE=testing
    ;;
esac
case $DEBIAN_RELEASE in
  12)
    # The foreign-toplevel protocol file, in the Rust protocol crate.
    WLR_PROTOCOLS_PACKAGE=librust-wayland-protocols-dev
    # libFuzzer's runtime, of the compiler that the clang package brings.
    CLANG_RT_PACKAGE=libclang-rt-14-dev
    # The wlroots example clients, with foreign-toplevel (for a benchmark).
    WLROOTS_EXAMPLES_PACKAGE=libwlroots-examples
    # A second wlroots compositor for the Wayland suite (Debian 12 has none).
    LABWC_PACKAGE=
    ;;
  13)
    WLR_PROTOCOLS_PACKAGE=librust-wayland-protocols-wlr-dev
    CLANG_RT_PACKAGE=libclang-rt-19-dev
    # libwlroots-0.18-examples holds no foreign-toplevel client.
    WLROOTS_EXAMPLES_PACKAGE=
    LABWC_PACKAGE=labwc
    ;;
  testing)
    WLR_PROTOCOLS_PACKAGE=librust-wayland-protocols-wlr-dev
    CLANG_RT_PACKAGE=libclang-rt-21-dev
    WLROOTS_EXAMPLES_PACKAGE=
    LABWC_PACKAGE=labwc
    ;;
esac

# The packages every build of the native program needs: the Unicode
# Character Database for the widths of UTF-8 text, the Wayland backend's client library and
# scanner, the foreign-toplevel protocol file (shipped with the Rust
# protocol crate), KWin's window-list protocol file and xdg-shell for the
# test client.
NATIVE_PACKAGES=(g++ cmake ninja-build pkg-config libgtest-dev googletest libxcb1-dev libxcb-res0-dev
  unicode-data libwayland-dev libwayland-bin wayland-protocols "$WLR_PROTOCOLS_PACKAGE" plasma-wayland-protocols)

# build_preset NAME configures and builds one CMake preset. A tree without
# its build.ninja (a configure that failed or was cut short) is configured
# again from scratch, so that a half-made tree never wedges the scripts.
build_preset() {
  local preset=$1
  cd "$BRISQUEL_ROOT"
  if [ ! -f "build/$preset/build.ninja" ]; then
    cmake --preset "$preset" --fresh >&2
  fi
  cmake --build --preset "$preset" >&2
}

# bench_build [BUILD_DIR] sets build to BUILD_DIR when one is given, else
# builds the native preset and sets build to its tree: for the benchmarks.
bench_build() {
  if [ -n "${1:-}" ]; then
    build=$(realpath "$1")
  else
    build_preset native
    build=$BRISQUEL_ROOT/build/native
  fi
}

# What building and checking the .deb and the .zip needs beyond the builds:
# dpkg-shlibdeps for the package's dependencies, man and lintian to check
# it, unzip and the MinGW objdump to look inside the zip.
PACKAGE_PACKAGES=(dpkg-dev lintian man-db unzip binutils-mingw-w64-i686)

# What the X11 end-to-end tests and scripts/run without a display need:
# a virtual X server, a small window manager with the font it is started
# with, wmctrl to see it is up, and xwininfo and xprop to read the stacking
# order.
X11_PACKAGES=(xvfb evilwm xfonts-base wmctrl x11-utils)

# What the Wayland end-to-end tests and scripts/run --wayland need: a
# headless sway and labwc (where the release has it) with XWayland, a font for their title bars,
# xprop (x11-utils) to see XWayland's window manager is up, and setpriv
# (util-linux) and useradd (passwd) to run them as an unprivileged user.
WAYLAND_PACKAGES=(sway $LABWC_PACKAGE xwayland fonts-dejavu-core x11-utils util-linux passwd)

# What the KDE end-to-end tests need beyond the Wayland ones: a headless
# KWin (its D-Bus session from dbus-run-session), the protocol file KWin's
# window list is built from, and wmctrl to raise a window as a pager does.
KDE_PACKAGES=(kwin-wayland dbus-daemon plasma-wayland-protocols wmctrl)

# What the GNOME end-to-end tests need: a headless GNOME Shell with
# XWayland and software rendering (without recommends, Mesa's drivers are
# named), dbus-daemon for its private buses, gdbus (libglib2.0-bin) to see
# it is up, and setpriv and useradd for the unprivileged session user.
GNOME_PACKAGES=(gnome-shell libgl1-mesa-dri libegl-mesa0 xwayland dbus-daemon libglib2.0-bin util-linux passwd)

# What the unit tests and the end-to-end checks without a desktop need
# beyond the build: strace, a virtual X server and setpriv (util-linux).
NATIVE_TEST_PACKAGES=(strace xvfb util-linux)

# What the fuzz targets need: clang with libFuzzer, and Xvfb for the churn.
FUZZ_PACKAGES=(clang "$CLANG_RT_PACKAGE" xvfb)

# What building the Windows program needs (MinGW-w64), and what running it
# needs beyond that: Wine (its 32-bit half turns on the i386 architecture)
# and strace.
WIN32_BUILD_PACKAGES=(cmake ninja-build g++-mingw-w64-i686 binutils-mingw-w64-i686)
WIN32_WINE_PACKAGES=(wine wine32:i386 strace)

# What the benchmarks need beyond the desktops' packages.
X11_BENCH_PACKAGES=(xdotool xtrace time heaptrack)
WAYLAND_BENCH_PACKAGES=($WLROOTS_EXAMPLES_PACKAGE time)
