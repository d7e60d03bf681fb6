#!/bin/sh
# Regenerates the game's music and cut sound into data/res/.
#   tools/make-sounds.sh [build-dir]     (default: build)
# Needs the make_sounds tool built in the build directory and Debian's lame encoder.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
tool=$build/tools/make_sounds
if [ ! -x "$tool" ]; then
    echo "make-sounds: $tool not found; build the make_sounds target first" >&2
    exit 1
fi
command -v lame >/dev/null || { echo "make-sounds: lame is missing (apt-get install lame)" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$root/data/res/bgm" "$root/data/res/se"
"$tool" "$tmp/music.wav" "$root/data/res/se/cut.wav"
# Constant bit rate and no tag: small, plain, decodable by every MP3 reader.
lame --quiet -q 2 -b 128 --noreplaygain "$tmp/music.wav" "$root/data/res/bgm/フライホイール.mp3"
