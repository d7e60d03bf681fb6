#!/usr/bin/env bash
# Does an arm64 build play demos in step? arm64 fuses a*b+c wherever a compiler lets it, so this is
# where a demo recorded on a PC would first go astray. Cross-builds the game library and
# tools/demo_tool for arm64 with Debian's cross compiler, against Debian's arm64 libraries
# (downloaded by apt into a private folder and unpacked there, nothing installed for arm64), and
# plays demos headless under qemu-user.
#   tools/arm64-demo-check.sh [DEMO...]   (default: the shipped demo and a format 1 demo)
# Installs g++-aarch64-linux-gnu and qemu-user if they are missing. Not part of the test command:
# the first run downloads about 150 MB and unpacks about 600 MB into build/arm64 (ARM64_DIR).
# Exit status: 0 every demo in step, 3 one out of step, 1 a demo refused, 2 the build failed.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$(realpath -m "${ARM64_DIR:-$here/build/arm64}")
sysroot="$work/sysroot"
demos=("$@")
[ ${#demos[@]} -gt 0 ] || demos=("$here/data/demos/three-games.demo" "$here/tests/fuzz/demo-corpus/format1-three-games.demo")

missing=()
for p in g++-aarch64-linux-gnu qemu-user; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get -o DPkg::Lock::Timeout=900 update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=900 install -y -qq "${missing[@]}"
fi

# The arm64 libraries the game links, with everything they need, from Debian's archive.
libraries=(libgl-dev libglu1-mesa-dev freeglut3-dev libglew-dev libx11-dev libxss-dev libsdl2-dev
  libsdl2-mixer-dev libdbus-1-dev libopencv-core-dev libopencv-imgproc-dev libopencv-imgcodecs-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev)
if [ ! -e "$sysroot/.unpacked" ]; then
  mkdir -p "$work/apt/state/lists/partial" "$work/apt/cache/archives/partial" "$sysroot"
  : >"$work/apt/state/status"
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  keyring=/usr/share/keyrings/debian-archive-keyring.gpg
  cat >"$work/apt/sources.list" <<EOF
deb [arch=arm64 signed-by=$keyring] http://deb.debian.org/debian $codename main
deb [arch=arm64 signed-by=$keyring] http://deb.debian.org/debian $codename-updates main
deb [arch=arm64 signed-by=$keyring] http://deb.debian.org/debian-security $codename-security main
EOF
  apt_private=(-o Dir::State="$work/apt/state" -o Dir::State::status="$work/apt/state/status"
    -o Dir::Cache="$work/apt/cache" -o Dir::Etc::SourceList="$work/apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
    -o APT::Architecture=arm64 -o APT::Architectures::=arm64 -o Debug::NoLocking=1)
  apt-get "${apt_private[@]}" -qq update
  apt-get "${apt_private[@]}" -qq -y --download-only --no-install-recommends install "${libraries[@]}"
  for deb in "$work"/apt/cache/archives/*.deb; do dpkg-deb -x "$deb" "$sysroot"; done
  # What the packages' install scripts would have linked (update-alternatives).
  for lib in blas/libblas.so.3 lapack/liblapack.so.3; do
    if [ -e "$sysroot/usr/lib/aarch64-linux-gnu/$lib" ]; then ln -sf "$lib" "$sysroot/usr/lib/aarch64-linux-gnu/${lib#*/}"; fi
  done
  touch "$sysroot/.unpacked"
fi

# OpenCV's own CMake files come with every one of its modules; the game needs three.
mkdir -p "$work/opencv"
cat >"$work/opencv/OpenCVConfig.cmake" <<'EOF'
set(OpenCV_FOUND TRUE)
set(OpenCV_INCLUDE_DIRS "${CMAKE_SYSROOT}/usr/include/opencv4")
foreach(module core imgproc imgcodecs)
  add_library(opencv_${module} SHARED IMPORTED)
  set_target_properties(opencv_${module} PROPERTIES
    IMPORTED_LOCATION "${CMAKE_SYSROOT}/usr/lib/aarch64-linux-gnu/libopencv_${module}.so")
endforeach()
EOF
cat >"$work/toolchain.cmake" <<EOF
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_SYSROOT "$sysroot")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF
export PKG_CONFIG_LIBDIR="$sysroot/usr/lib/aarch64-linux-gnu/pkgconfig:$sysroot/usr/share/pkgconfig"
export PKG_CONFIG_SYSROOT_DIR="$sysroot"
# A Release build with the packager's usual flags: the game's own options must hold against them.
if ! { cmake -S "$here" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS="-O2 -ffp-contract=fast" -DOpenCV_DIR="$work/opencv" -DTORVINEL_TESTS=OFF -DTORVINEL_BENCH=OFF >/dev/null &&
  cmake --build "$work/build" -j2 --target demo_tool >/dev/null; }; then
  echo "arm64-demo-check: the arm64 build failed" >&2
  exit 2
fi
qemu-aarch64 -L "$sysroot" "$work/build/tools/demo_tool" check "${demos[@]}"
