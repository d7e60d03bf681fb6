#!/usr/bin/env bash
# Cuts a release: sets the version and the day in CMakeLists.txt, makes sure CHANGELOG.md's newest
# entry is this release (its "## [Unreleased]" section becomes it; with neither, the changelog opens
# in $VISUAL or $EDITOR under a new heading), commits both signed off, and tags vVERSION.
#   tools/release.sh VERSION [DAY]      DAY: yyyy-mm-dd, today (UTC) by default
# Then: git push --follow-tags, and cmake --build build --target dist for the source tarball.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

die() { echo "release: $*" >&2; exit 1; }
version="${1:-}"
day="${2:-$(date -u +%F)}"
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "usage: tools/release.sh VERSION [DAY], e.g. 1.2.0" >&2; exit 2; }
[[ "$day" =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}$ ]] && date -u -d "$day" >/dev/null 2>&1 || die "'$day' is not a day (yyyy-mm-dd)"
[ -z "$(git status --porcelain)" ] || die "the work tree has changes; commit or stash them first"
git rev-parse -q --verify "refs/tags/v$version" >/dev/null && die "v$version is already tagged"
current=$(sed -n 's/^project(Torvinel VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$current" ] || die "CMakeLists.txt names no version in its project() line"
# The version already set may be tagged (it was never tagged before); otherwise it must move on.
if [ "$version" != "$current" ] && [ "$(printf '%s\n' "$current" "$version" | sort -V | tail -n 1)" != "$version" ]; then
  die "$version is not after the current version, $current"
fi

# The newest release heading, or an Unreleased section above it, becomes this release's.
heading="## [$version] - $day"
newest() { grep -m 1 -E '^## \[' CHANGELOG.md || true; }
case "$(newest)" in
  "$heading") ;;
  "## [Unreleased]"*) sed -i "0,/^## \[Unreleased\].*/s//$heading/" CHANGELOG.md ;;
  "## [$version] - "*) sed -i "0,/^## \[$version\] - .*/s//$heading/" CHANGELOG.md ;;
  *)
    editor="${VISUAL:-${EDITOR:-}}"
    [ -t 0 ] && [ -n "$editor" ] || die "CHANGELOG.md has no entry for $version: add '$heading' (or an '## [Unreleased]' section) above the newest release"
    awk -v heading="$heading" '!done && /^## \[/ { print heading "\n\n### Changed\n- \n"; done = 1 } { print }' \
      CHANGELOG.md >CHANGELOG.md.new && mv CHANGELOG.md.new CHANGELOG.md
    $editor CHANGELOG.md
    ;;
esac
[ "$(newest)" = "$heading" ] || { git checkout -q CHANGELOG.md; die "CHANGELOG.md's newest entry is not '$heading'"; }
items=$(awk '/^## \[/ { n++ } n == 1 && /^- ./' CHANGELOG.md)
[ -n "$items" ] || { git checkout -q CHANGELOG.md; die "the changelog entry for $version lists no change"; }

sed -i -e "s/^project(Torvinel VERSION [0-9.]* /project(Torvinel VERSION $version /" \
  -e "s/^set(TORVINEL_RELEASE_DATE .*)$/set(TORVINEL_RELEASE_DATE $day)/" CMakeLists.txt
git add CMakeLists.txt CHANGELOG.md
git commit -q -s -m "Release $version"
git tag -a "v$version" -m "Torvinel $version"
echo "Tagged v$version ($(git rev-parse --short HEAD)); push it with: git push --follow-tags"
echo "Source tarball: cmake --build build --target dist (build/torvinel-$version.tar.gz)"
