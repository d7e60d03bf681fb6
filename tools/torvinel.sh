#!/usr/bin/env bash
# One entry point for a fresh Debian 12 machine: installs what the game needs, builds it, then
# plays it or runs every test.
#   tools/torvinel.sh play [--windowed]   install, build and play (full screen by default)
#   tools/torvinel.sh test                install, build and run all tests (headless)
#   tools/torvinel.sh build               install and build only
#   tools/torvinel.sh package             install, build and make build/torvinel_<version>_amd64.deb
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${TORVINEL_BUILD_DIR:-$here/build}"
mode="${1:-play}"
shift || true

packages=(
  build-essential cmake pkg-config
  freeglut3-dev libglew-dev libglu1-mesa-dev libopencv-dev libsdl2-dev libsdl2-mixer-dev
  libxss-dev libdbus-1-dev
  libgtest-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils imagemagick libgl1-mesa-dri openbox dbus-daemon dbus-bin
  lame sox clang libclang-rt-14-dev
  dpkg-dev file desktop-file-utils appstream man-db
)
# The package's checkers (lintian; hardening-check comes with devscripts) need none of their
# recommendations, which would bring in key rings, upload tools and more.
checkers=(lintian devscripts)

# Prints those of the given packages that are not installed yet.
not_installed() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

install_packages() {
  local wanted checking sudo=""
  wanted=$(not_installed "${packages[@]}")
  checking=$(not_installed "${checkers[@]}")
  [ -z "$wanted$checking" ] && return 0
  echo "Installing:" $wanted $checking
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  [ -z "$wanted" ] || DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $wanted
  [ -z "$checking" ] || DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $checking
}

build_game() {
  cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j"$(nproc)"
}

# The Debian package comes from a tree of its own, configured for Debian's layout (executables in
# /usr/games, data in /usr/share/games/torvinel).
# Hardened: Debian's flags for hardening=+all, plus the stack-clash and control-flow protection that
# Debian 12's dpkg-buildflags does not add yet; Debian 12's C library start files carry no
# control-flow marks, so the linker is told that the executables are built for them (all of the
# game's own code is).
# Reproducible: no folder of the build is named in the binaries (so their build IDs agree), and every
# date in the package is the last commit's (the release day's outside git; an exported
# SOURCE_DATE_EPOCH wins), so builds of one commit are byte-identical wherever and whenever they run.
# CPack takes the modes of folders and of the archive's members from the files it makes, so it runs
# under the umask dpkg-buildpackage sets.
package_game() (
  umask 022
  local tree="$build/deb" day
  mkdir -p "$tree"
  tree=$(cd "$tree" && pwd)
  day=$(sed -n 's/^set(TORVINEL_RELEASE_DATE \(.*\))$/\1/p' "$here/CMakeLists.txt")
  : "${SOURCE_DATE_EPOCH:=$(git -C "$here" log -1 --format=%ct 2>/dev/null || date -u -d "$day" +%s)}"
  export SOURCE_DATE_EPOCH
  local unplaced="-ffile-prefix-map=$here=. -ffile-prefix-map=$tree=build"
  flags() { (cd "$here" && DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"); }
  cmake -S "$here" -B "$tree" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTORVINEL_TESTS=OFF -DTORVINEL_BENCH=OFF -DTORVINEL_TOOLS=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_INSTALL_BINDIR=games \
    -DTORVINEL_INSTALL_DATADIR=share/games/torvinel \
    -DCMAKE_CXX_FLAGS="$(flags CPPFLAGS) $(flags CXXFLAGS) -fstack-clash-protection -fcf-protection $unplaced" \
    -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS) -Wl,-z,ibt -Wl,-z,shstk" >/dev/null
  cmake --build "$tree" -j"$(nproc)"
  rm -f "$tree"/torvinel_*.deb "$build"/torvinel_*.deb
  (cd "$tree" && cpack -G DEB >/dev/null)
  mv "$tree"/torvinel_*.deb "$build/"
  echo "Package: $(ls "$build"/torvinel_*.deb)"
)

install_packages
if [ "$mode" != package ]; then build_game; fi

case "$mode" in
  play)
    if [ "${1:-}" = "--windowed" ]; then exec "$build/torvinel-windowed"; fi
    exec "$build/torvinel"
    ;;
  test)
    # The end-to-end tests check the package and, as root, install and remove it.
    package_game
    # Sound goes nowhere in tests unless a test asks for a particular driver.
    export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
    cd "$build"
    ctest --output-on-failure -j2
    ;;
  build) ;;
  package) package_game ;;
  *)
    echo "usage: tools/torvinel.sh play [--windowed] | test | build | package" >&2
    exit 2
    ;;
esac
