#!/bin/sh
# Writes the source tarball a packager takes: exactly the files git tracks (as they stand in the
# working tree), under torvinel-VERSION/, every one dated by the release day, owned by root, in name
# order, so one release always gives the same bytes. Run by the build's dist target.
#   tools/source-tarball.sh SOURCE_FOLDER VERSION DAY OUTPUT.tar.gz
set -eu
[ $# -eq 4 ] || { echo "usage: $0 SOURCE_FOLDER VERSION DAY OUTPUT.tar.gz" >&2; exit 2; }
src=$(cd "$1" && pwd -P)
name="torvinel-$2"
when=$(date -u -d "$3" +%s)
if [ "$(git -C "$src" rev-parse --show-toplevel 2>/dev/null)" != "$src" ]; then
  echo "source-tarball: $src is not a git checkout of its own, and the tarball holds what git tracks" >&2
  exit 1
fi
[ -z "$(git -C "$src" status --porcelain --untracked-files=no)" ] ||
  echo "source-tarball: the tarball holds uncommitted changes to tracked files" >&2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/$name"
git -C "$src" ls-files -z | (cd "$src" && tar --null --no-recursion -T - -cf -) | tar -C "$tmp/$name" -xf -
if [ "$(find "$tmp/$name" ! -type d | wc -l)" != "$(git -C "$src" ls-files -z | tr -cd '\0' | wc -c)" ]; then
  echo "source-tarball: a tracked file is missing from $src (git status says which)" >&2
  exit 1
fi
tar -C "$tmp" --format=gnu --sort=name --mtime="@$when" --owner=0 --group=0 --numeric-owner \
  --mode='u=rwX,go=rX' -cf - "$name" | gzip -9n >"$tmp/out.tar.gz"
mv "$tmp/out.tar.gz" "$4"
echo "Source tarball: $4"
