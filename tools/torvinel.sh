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
  libgtest-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils imagemagick libgl1-mesa-dri strace
  lame sox clang libclang-rt-14-dev
  dpkg-dev file desktop-file-utils appstream man-db
)

install_packages() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

build_game() {
  cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j"$(nproc)"
}

# The Debian package comes from a tree of its own, configured for Debian's layout (executables in
# /usr/games, data in /usr/share/games/torvinel) and with Debian's hardening flags.
package_game() {
  local tree="$build/deb"
  cmake -S "$here" -B "$tree" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTORVINEL_TESTS=OFF -DTORVINEL_BENCH=OFF -DTORVINEL_TOOLS=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_INSTALL_BINDIR=games \
    -DTORVINEL_INSTALL_DATADIR=share/games/torvinel \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
  cmake --build "$tree" -j"$(nproc)"
  rm -f "$tree"/torvinel_*.deb "$build"/torvinel_*.deb
  (cd "$tree" && cpack -G DEB >/dev/null)
  mv "$tree"/torvinel_*.deb "$build/"
  echo "Package: $(ls "$build"/torvinel_*.deb)"
}

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
