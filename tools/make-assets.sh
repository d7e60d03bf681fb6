#!/usr/bin/env bash
# Remakes every picture under data/res/game/, and the menu icon under data/icons/, from
# tools/make_images.cpp.
#   tools/make-assets.sh [build-dir] [-- extra make_images arguments, e.g. --preview /tmp/preview.png]
# The shader sources under data/shader/ are written by hand and are not generated.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-assets}
shift || true
[ "${1:-}" = "--" ] && shift
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target make_images -j2
"$build/tools/make_images" "$root/data/res/game" --icons "$root/data/icons" "$@"
echo "pictures written to $root/data/res/game and $root/data/icons"
