#!/bin/sh
# Prints the time every date in a build of the source folder $1 takes (SOURCE_DATE_EPOCH): an
# exported SOURCE_DATE_EPOCH; else, in a git checkout of its own, the last commit's; else (a source
# tarball, also one unpacked inside some other git repository) the release day in CMakeLists.txt,
# at midnight UTC.
set -eu
src=$(cd "${1:?usage: tools/source-date.sh SOURCE_FOLDER}" && pwd -P)
if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
  echo "$SOURCE_DATE_EPOCH"
elif [ "$(git -C "$src" rev-parse --show-toplevel 2>/dev/null)" = "$src" ]; then
  git -C "$src" log -1 --format=%ct
else
  day=$(sed -n 's/^set(TORVINEL_RELEASE_DATE \(.*\))$/\1/p' "$src/CMakeLists.txt")
  date -u -d "${day:?no TORVINEL_RELEASE_DATE in $src/CMakeLists.txt}" +%s
fi
