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
    as_root dpkg --add-architecture i386
  fi
  # One install at a time: suites run side by side share apt's locks.
  # apt's progress goes to a log that is shown only when the install fails.
  local log
  log=$(mktemp)
  if ! as_root flock /var/lock/brisquel-apt.lock sh -c '
    DEBIAN_FRONTEND=noninteractive apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@"' sh "${missing[@]}" \
    >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    echo "could not install: ${missing[*]}" >&2
    return 1
  fi
  rm -f "$log"
}

# The packages every build of the native program needs: the Unicode
# Character Database for the widths of UTF-8 text, the Wayland backend's client library and
# scanner, the foreign-toplevel protocol file (shipped with the Rust
# protocol crate) and xdg-shell for the test client.
NATIVE_PACKAGES=(g++ cmake ninja-build pkg-config libgtest-dev googletest libxcb1-dev libxcb-res0-dev
  unicode-data libwayland-dev libwayland-bin wayland-protocols librust-wayland-protocols-dev)

# build_preset NAME configures (once) and builds one CMake preset.
build_preset() {
  local preset=$1
  cd "$BRISQUEL_ROOT"
  if [ ! -f "build/$preset/CMakeCache.txt" ]; then
    cmake --preset "$preset" >&2
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
# headless sway with XWayland, a font for its title bars, and setpriv
# (util-linux) and useradd (passwd) to run it as an unprivileged user.
WAYLAND_PACKAGES=(sway xwayland fonts-dejavu-core util-linux passwd)
