#!/usr/bin/env bash
# One entry point for a fresh Debian 12 or 13 machine: installs what is needed, builds the game, then
# plays it or runs every test.
#   tools/torvinel.sh play [--windowed]   install what building and playing need, build and play
#                                         (full screen by default)
#   tools/torvinel.sh build               the same, without playing
#   tools/torvinel.sh test                install everything, build and run all tests (headless)
#   tools/torvinel.sh package             install everything, build build/torvinel_<version>_amd64.deb
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${TORVINEL_BUILD_DIR:-$here/build}"
mode="${1:-play}"
shift || true
case "$mode" in
  play | build | test | package) ;;
  *) echo "usage: tools/torvinel.sh play [--windowed] | build | test | package" >&2; exit 2 ;;
esac

# What building and playing need; their recommendations are left out (OpenCV's alone would bring
# a Java runtime and more).
play_packages=(
  build-essential cmake pkg-config
  @glut libglew-dev libglu1-mesa-dev libopencv-dev libsdl2-dev libsdl2-mixer-dev libxss-dev libdbus-1-dev libinih-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
  libgl1-mesa-dri
)
# What the tests, the benchmarks, the generators and the package need besides.
test_packages=(
  libgtest-dev libbenchmark-dev git
  xvfb xauth xdotool x11-utils imagemagick openbox dbus-daemon dbus-bin strace
  lame sox ffmpeg clang @clang-runtime
  dpkg-dev file desktop-file-utils appstream man-db
)
# The package's checkers (lintian; hardening-check comes with devscripts) need none of their
# recommendations, which would bring in key rings, upload tools and more.
checkers=(lintian devscripts)

# An @name above stands for a package whose name differs between releases: these print the
# candidates, and the first one apt knows is taken.
candidates() {
  case "$1" in
    # freeglut's headers were renamed from freeglut3-dev.
    @glut) echo libglut-dev freeglut3-dev ;;
    # The fuzzer's runtime: the unversioned package where there is one, else that of the clang that
    # apt would install.
    @clang-runtime)
      echo libclang-rt-dev
      apt-cache depends clang 2>/dev/null | sed -n 's/^ *Depends: clang-\([0-9][0-9]*\)$/libclang-rt-\1-dev/p' ;;
    *) echo "$1" ;;
  esac
}

# (grep reads all it is given: under pipefail, a grep -q that stops early fails the pipe.)
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep "install ok installed" >/dev/null; }
offered() { apt-cache policy "$1" 2>/dev/null | grep '^ *Candidate: [^(]' >/dev/null; }

# Prints the packages of the given names that still have to be installed; an @name is missing when
# none of its candidates is installed, and then stands for the first that apt offers.
missing() {
  local name candidate
  for name in "$@"; do
    for candidate in $(candidates "$name"); do installed "$candidate" && continue 2; done
    [ "${name:0:1}" = @ ] || { echo "$name"; continue; }
    for candidate in $(candidates "$name"); do offered "$candidate" && { echo "$candidate"; continue 2; }; done
    echo "$name"
  done
}

# Installs what is missing of the given names, those after "--" without their recommendations; or
# stops with one line naming what apt does not offer here.
install_packages() {
  local full=() bare=() sudo="" wanted lean unknown p
  while [ $# -gt 0 ] && [ "$1" != -- ]; do full+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  bare=("$@")
  [ -n "$(missing "${full[@]}" "${bare[@]}")" ] || return 0
  command -v apt-get >/dev/null || {
    echo "torvinel.sh: no apt here; install by hand the Debian packages that tools/torvinel.sh names" >&2; exit 1; }
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  wanted=$(missing "${full[@]}")
  lean=$(missing "${bare[@]}")
  unknown=$(for p in $wanted $lean; do offered "$p" || echo "${p#@}"; done)
  if [ -n "$unknown" ]; then
    echo "torvinel.sh: apt offers no package for:" $unknown "(this script knows Debian 12 and 13)" >&2
    exit 1
  fi
  echo "Installing:" $wanted $lean
  [ -z "$lean" ] || DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $lean
  [ -z "$wanted" ] || DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $wanted
}

# The tests and benchmarks are built wherever their libraries are installed (test installs them).
build_game() {
  local extras=ON
  [ -z "$(missing libgtest-dev libbenchmark-dev)" ] || extras=OFF
  cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTORVINEL_TESTS=$extras -DTORVINEL_BENCH=$extras >/dev/null
  cmake --build "$build" -j"$(nproc)"
}

# The Debian package comes from a tree of its own, configured for Debian's layout (executables in
# /usr/games, data in /usr/share/games/torvinel).
# Hardened as Debian hardens its own packages: with what dpkg-buildflags gives for hardening=+all on
# this release, and nothing more, so the executables claim no protection that part of their code
# (the C library's start files) lacks.
# Reproducible: no folder of the build is named in the binaries (so their build IDs agree), and every
# date in the package is that of tools/source-date.sh (the last commit's, or the release day's
# outside git), so builds of one commit are byte-identical wherever and whenever they run.
# CPack takes the modes of folders and of the archive's members from the files it makes, so it runs
# under the umask dpkg-buildpackage sets.
package_game() (
  umask 022
  local tree="$build/deb"
  mkdir -p "$tree"
  tree=$(cd "$tree" && pwd)
  SOURCE_DATE_EPOCH=$("$here/tools/source-date.sh" "$here")
  export SOURCE_DATE_EPOCH
  flags() { (cd "$here" && DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"); }
  cmake -S "$here" -B "$tree" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTORVINEL_TESTS=OFF -DTORVINEL_BENCH=OFF -DTORVINEL_TOOLS=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_INSTALL_BINDIR=games \
    -DTORVINEL_INSTALL_DATADIR=share/games/torvinel \
    -DCMAKE_CXX_FLAGS="$(flags CPPFLAGS) $(flags CXXFLAGS) -ffile-prefix-map=$here=. -ffile-prefix-map=$tree=build" \
    -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" >/dev/null
  cmake --build "$tree" -j"$(nproc)"
  rm -f "$tree"/torvinel_*.deb "$build"/torvinel_*.deb
  (cd "$tree" && cpack -G DEB >/dev/null)
  mv "$tree"/torvinel_*.deb "$build/"
  echo "Package: $(ls "$build"/torvinel_*.deb)"
)

case "$mode" in
  play | build) install_packages -- "${play_packages[@]}" ;;
  *) install_packages "${test_packages[@]}" -- "${play_packages[@]}" "${checkers[@]}" ;;
esac
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
  package) package_game ;;
esac
