#!/usr/bin/env bash
# The game as players get it. Installed (cmake --install into a temporary DESTDIR, then made
# read-only) it plays from any working directory, keeps the player's scores in their own data
# folder and writes nothing into its installed files; the menu entries, the metainfo and the manual
# pass their validators; --help and --version need no display, and a missing display, a missing data
# folder and an unknown option each get one line. Run from its build folder it finds its files beside
# the executable. The Debian package (made by tools/torvinel.sh test or package) holds the same files
# under /usr, with its copyright and changelog; lintian finds nothing in it, its executables are as
# hardened as this release's toolchain can make anything, and the source tarball (exactly the tracked
# files), packaged again elsewhere, gives the same bytes. As root it is installed with apt (on the
# release it was built on), played and removed again.
source "$(dirname "$0")/lib/common.bash"
source "$(dirname "$0")/lib/look.bash"
unset XDG_DATA_HOME
src=$(cd "$(dirname "$0")/../.." && pwd)

cache() { sed -n "s/^$1:[A-Z]*=//p" "$E2E_BUILD/CMakeCache.txt"; }
# Every path, mode, size and time below a folder: any write inside it changes this.
tree_state() { find "$1" -printf '%p %m %s %T@\n' | sort | md5sum; }

# Waits up to ten seconds for the profile log $1 to show the game switching to scene $2.
switched() { e2e_wait_for_text "$1" 10 "^switch [0-9]* $2\$"; }

# One round: title, Space, p, the ranking board, Space until the title is back, held Escape. Each
# step waits for the game's own log of its scene switches (kept outside every folder checked). The
# keys are held for many ticks: how short a tap the game still sees is cycle.sh's to check.
# $1 the executable, $2 the ranking file it must write, $3 a name for its output files.
play_round() {
  local out="$E2E_WORK/$3.out" err="$E2E_WORK/$3.err" log="$E2E_WORK/$3.profile"
  local win icons _
  TORVINEL_PROFILE="$log" e2e_launch "$1" "$out" "$err"
  win=$(e2e_wait_window "$pid") || fail "$3: window appeared"
  icons=$(e2e_window_icons "${win:-0}")
  check "$3: the window shows the installed icon at 48, 64 and 128 pixels (got '$icons')" test "$icons" = "48x48 64x64 128x128"
  e2e_wait_for_text "$out" "$E2E_WAIT" "fps:" || fail "$3: frame-rate line"
  e2e_hold space 0.4
  check "$3: Space starts a game" switched "$log" GameScene
  e2e_hold p 0.4
  check "$3: p ends it on the ranking board" switched "$log" RankingScene
  check "$3: the ranking lands in $2" e2e_wait_for_text "$2" "$E2E_WAIT" " "
  check "$3: it holds eight numbers in the '%d ' form" grep -Eq '^(-?[0-9]+ ){8}$' "$2"
  # Past the banner's first 45 ticks one Space goes back to the title.
  e2e_wait_state "" '[ "${GAME[banner]}" -le 3150 ]'
  e2e_hold space 0.4
  check "$3: Space leads back to the title" switched "$log" TitleScene
  e2e_hold Escape 0.3
  e2e_wait_exit "$pid" 10
  check "$3: held Escape ends it with status 0 (got $E2E_STATUS)" test "$E2E_STATUS" = 0
  check "$3: nothing on stderr" test ! -s "$err"
  [ -s "$err" ] && sed 's/^/  stderr: /' "$err"
  check "$3: the frame-rate line is ended, so the prompt starts on its own line" \
    test "$(tail -c 1 "$out" | od -An -c | tr -d ' ')" = '\n'
}

# --- Installed into a tree of its own --------------------------------------------------------
root="$E2E_WORK/root"
DESTDIR="$root" cmake --install "$E2E_BUILD" >/dev/null
prefix="$root$(cache CMAKE_INSTALL_PREFIX)"
bin="$prefix/$(cache CMAKE_INSTALL_BINDIR)"
share=$(dirname "$prefix/$(cache TORVINEL_INSTALL_DATADIR)")
game="$bin/torvinel-windowed"
check "both executables and the data are installed" \
  test -x "$bin/torvinel" -a -x "$game" -a -f "$prefix/$(cache TORVINEL_INSTALL_DATADIR)/res/game/title.png"
check "the icon is installed at 48, 64, 128 and 256 pixels" \
  test "$(ls "$share"/icons/hicolor/{48x48,64x64,128x128,256x256}/apps/torvinel.png | wc -l)" = 4
check "the data folder reaches them through relative links, for the window's icon" \
  test "$(readlink -e "$prefix/$(cache TORVINEL_INSTALL_DATADIR)/icons/48x48/torvinel.png")" = \
  "$share/icons/hicolor/48x48/apps/torvinel.png" -a "$(readlink "$prefix/$(cache TORVINEL_INSTALL_DATADIR)/icons/48x48/torvinel.png" | cut -c1)" = .
check "desktop-file-validate: both menu entries, no error, no warning" \
  test -z "$(desktop-file-validate "$share"/applications/*.desktop 2>&1)" -a "$(ls "$share"/applications | wc -l)" = 2
check "appstreamcli validate --no-net: no error, no warning" \
  bash -c "appstreamcli validate --no-net '$share'/metainfo/*.metainfo.xml >/dev/null"
check "the manual renders without a warning" \
  test -z "$(MANWIDTH=80 man --warnings -l "$share/man/man6/torvinel-windowed.6.gz" 2>&1 >/dev/null)"

# Without a display: --help and --version answer, playing says how to run headless.
env -u DISPLAY "$game" --version >"$E2E_WORK/version.txt"
version=$(head -n 1 "$E2E_WORK/version.txt")
check "--version without a display prints the version (got '$version')" \
  grep -Eq '^torvinel-windowed [0-9]+\.[0-9]+\.[0-9]+$' <<<"$version"
check "and then the copyright holder and the licence" \
  test "$(sed -n 2p "$E2E_WORK/version.txt")" = "Copyright (c) 2026 The Torvinel developers" \
  -a -n "$(grep 'MIT licence' "$E2E_WORK/version.txt")"
check "the metainfo lists the same release" \
  grep -q "release version=\"${version#* }\"" "$share"/metainfo/*.metainfo.xml
check "so does the changelog, in Debian's form" \
  test "$(zcat "$share/doc/torvinel/changelog.gz" | dpkg-parsechangelog -l - -S Version)" = "${version#* }"
check "--help without a display prints the usage with keys and where scores live" \
  bash -c "env -u DISPLAY '$game' --help | grep -q 'ranking.dat'"
"$game" --frobnicate >/dev/null 2>"$E2E_WORK/bad.err"
status=$?
check "an unknown option exits with 2 (got $status), names it first, then gives the usage" \
  test "$status" = 2 -a "$(head -n 1 "$E2E_WORK/bad.err")" = "torvinel: unknown option '--frobnicate'" \
  -a "$(sed -n 2p "$E2E_WORK/bad.err" | cut -d ' ' -f 1-5)" = "Usage: torvinel-windowed [--help | --version"
env -u DISPLAY "$game" >/dev/null 2>"$E2E_WORK/nodisplay.err"
status=$?
check "no display: status 1 (got $status) and one line naming DISPLAY and xvfb-run" \
  test "$status" = 1 -a "$(wc -l <"$E2E_WORK/nodisplay.err")" = 1 -a \
  -n "$(grep DISPLAY "$E2E_WORK/nodisplay.err" | grep xvfb-run)"

# An executable alone in a folder finds nothing: one line naming every place, status 1.
lone="$E2E_WORK/lone"
mkdir -p "$lone" && cp "$E2E_BUILD/torvinel-windowed" "$lone/"
if [ -d "$(cache CMAKE_INSTALL_PREFIX)/$(cache TORVINEL_INSTALL_DATADIR)/res/game" ]; then
  echo "skipped: the missing-data check (this machine has the game installed in the build's prefix)"
else
  (cd "$lone" && ./torvinel-windowed >/dev/null 2>"$E2E_WORK/nodata.err")
  status=$?
  check "no data folder: status 1 (got $status) and one line naming the places searched" \
    test "$status" = 1 -a "$(wc -l <"$E2E_WORK/nodata.err")" = 1 -a \
    -n "$(grep -F "$lone" "$E2E_WORK/nodata.err" | grep -F share/torvinel)"
fi

e2e_start_x 1280 720
elsewhere="$E2E_WORK/elsewhere"
mkdir -p "$elsewhere" "$E2E_WORK/home"
chmod -R a-w "$root"
before=$(tree_state "$root")
cd "$elsewhere"
HOME="$E2E_WORK/home" play_round "$game" "$E2E_WORK/home/.local/share/torvinel/ranking.dat" installed
check "the player's data folder is private (mode 700)" \
  test "$(stat -c %a "$E2E_WORK/home/.local/share/torvinel")" = 700
HOME="$E2E_WORK/home" "$game" --size 512x512 --timedemo "$prefix/$(cache TORVINEL_INSTALL_DATADIR)/demos/three-games.demo" \
  >"$E2E_WORK/timedemo.out" 2>"$E2E_WORK/timedemo.err"
check "the installed game plays its installed demo in step (status $?)" grep -q '; in step$' "$E2E_WORK/timedemo.out"
check "nothing in the installed tree changed" test "$(tree_state "$root")" = "$before"
check "nothing is written to the working directory" test -z "$(ls -A "$elsewhere")"
chmod -R u+w "$root"

# --- From a build folder: the files beside the executable ------------------------------------
cp -r "$E2E_BUILD/res" "$E2E_BUILD/shader" "$lone/"
e2e_launch "$lone/torvinel-windowed" "$E2E_WORK/beside.out" "$E2E_WORK/beside.err"
e2e_wait_window "$pid" >/dev/null || fail "beside: window appeared"
check "from another folder the game plays with the files beside the executable" \
  e2e_wait_for_text "$E2E_WORK/beside.out" "$E2E_WAIT" "fps:"
check "and says nothing on stderr" test ! -s "$E2E_WORK/beside.err"
[ -s "$E2E_WORK/beside.err" ] && sed 's/^/  stderr: /' "$E2E_WORK/beside.err"
e2e_hold Escape 0.3
e2e_wait_exit "$pid" 10

# --- The Debian package -------------------------------------------------------------------------
deb=$(ls "$E2E_BUILD"/torvinel_*_amd64.deb 2>/dev/null | head -n 1)
if [ -z "$deb" ]; then
  echo "skipped: the package checks (no package in $E2E_BUILD; ./tools/torvinel.sh package makes it)"
  e2e_finish
  exit
fi
field() { dpkg-deb -f "$deb" "$1"; }
depends=$(field Depends)
echo "Depends: $depends"
check "package version, section and name" \
  test "$(field Package) $(field Version) $(field Section)" = "torvinel ${version#* } games"
check "dependencies come from the shared libraries, with no -dev package" \
  bash -c "grep -q 'libc6' <<<'$depends' && grep -q 'libsdl2-mixer' <<<'$depends' && ! grep -q -- '-dev' <<<'$depends'"
dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's:^\./:/:; s:/$::' >"$E2E_WORK/deb-files"
expect=(/usr/games/torvinel /usr/games/torvinel-windowed /usr/share/games/torvinel/res/game/title.png
  /usr/share/games/torvinel/shader/multitexture.fs /usr/share/applications/org.torvinel.torvinel.desktop
  /usr/share/applications/org.torvinel.torvinel-windowed.desktop
  /usr/share/metainfo/org.torvinel.torvinel.metainfo.xml /usr/share/icons/hicolor/48x48/apps/torvinel.png
  /usr/share/icons/hicolor/256x256/apps/torvinel.png /usr/share/games/torvinel/icons/128x128/torvinel.png
  /usr/share/man/man6/torvinel.6.gz /usr/share/doc/torvinel/copyright /usr/share/doc/torvinel/changelog.gz
  /usr/share/games/torvinel/demos/three-games.demo)
missing=$(printf '%s\n' "${expect[@]}" | grep -vxFf "$E2E_WORK/deb-files")
check "the package holds the executables, data, demo, menu entries, metainfo, icons, manual, copyright and changelog${missing:+ (missing: $missing)}" \
  test -z "$missing"
check "everything in it lies under /usr and no ranking file is shipped" \
  test -z "$(grep -v -e '^/usr' -e '^$' "$E2E_WORK/deb-files"; grep ranking "$E2E_WORK/deb-files")"

# What a Debian packager checks: lintian, to its most pedantic, finds nothing at all; the
# executables are hardened; the copyright file is machine-readable and complete.
lintian --pedantic -I -E --fail-on error,warning,info,pedantic,experimental "$deb" >"$E2E_WORK/lintian.txt" 2>/dev/null
status=$?
sed 's/^/  lintian: /' "$E2E_WORK/lintian.txt"
check "lintian reports no tag (status $status)" test "$status" = 0 -a ! -s "$E2E_WORK/lintian.txt"
unpacked="$E2E_WORK/unpacked"
dpkg-deb -x "$deb" "$unpacked"
# Hardened as far as this release's toolchain can harden anything: a small program built with
# dpkg-buildflags' hardening=+all shows what hardening-check can find here at all (neither Debian
# 12's nor 13's C start files carry control-flow marks; branch protection is an ARM feature), and
# the executables must have every bit of that.
cat >"$E2E_WORK/probe.cpp" <<'PROBE'
#include <cstdio>
#include <cstring>
int main(int argc, char** argv) {
    char name[32];
    std::strcpy(name, argc > 0 ? argv[0] : "");
    std::printf("%s\n", name);
}
PROBE
buildflag() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
c++ $(buildflag CPPFLAGS) $(buildflag CXXFLAGS) "$E2E_WORK/probe.cpp" $(buildflag LDFLAGS) -o "$E2E_WORK/probe"
declare -A skip=([Position Independent Executable]=--nopie [Stack protected]=--nostackprotector
  [Fortify Source functions]=--nofortify [Read-only relocations]=--norelro [Immediate binding]=--nobindnow
  [Control flow integrity]=--nocfprotection [Branch Protection]=--nobranchprotection)
unprovided=$(hardening-check "$E2E_WORK/probe" | sed -n 's/^ \(.*\): no\b.*/\1/p')
skips=$(while read -r what; do [ -n "$what" ] && echo "${skip[$what]:---unknown-$what}"; done <<<"$unprovided")
echo "hardening-check asks for all the toolchain provides, not for: $(paste -sd, <<<"$unprovided")"
hardening-check $skips "$unpacked"/usr/games/torvinel "$unpacked"/usr/games/torvinel-windowed >"$E2E_WORK/hardening.txt"
status=$?
sed 's/^/  /' "$E2E_WORK/hardening.txt"
check "hardening-check finds nothing missing in either executable that the toolchain provides (status $status)" \
  test "$status" = 0 -a -z "$(grep ': no' "$E2E_WORK/hardening.txt" | grep -v '(ignored)$')"
check "and it provides at least PIE, the stack protector, fortified functions, RELRO and immediate binding" \
  test -z "$(grep -v -e 'Control flow integrity' -e 'Branch Protection' <<<"$unprovided" | grep .)"
copyright="$unpacked/usr/share/doc/torvinel/copyright"
unmatched=$(sed -n 's/^Files: //p' "$copyright" | tr ' ' '\n' | while read -r pattern; do
  compgen -G "$src/$pattern" >/dev/null || echo "$pattern"; done)
unwritten=$(awk -v RS= '/^License: / { split($0, line, "\n"); if (line[2] != "") written[substr(line[1], 10)] = 1; next }
  { if (match($0, /\nLicense: [^\n]+/)) used[substr($0, RSTART + 10, RLENGTH - 10)] = 1 }
  END { for (name in used) if (!(name in written)) print name }' "$copyright")
check "the copyright file is machine-readable, each of its patterns matches a source file${unmatched:+ (not: $unmatched)} and each licence it names is spelled out${unwritten:+ (not: $unwritten)}" \
  test "$(head -n 1 "$copyright")" = "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" \
  -a -z "$unmatched$unwritten"

# The source tarball (the dist target): exactly what git tracks, under torvinel-VERSION/, dated by the
# release day. Unpacked inside some other git repository, whose dates must not leak in, and packaged
# again there later under another umask and time zone with the first build's date, it makes the very
# same bytes: the package is reproducible, and builds outside its own git checkout.
if [ "$(git -C "$src" rev-parse --show-toplevel 2>/dev/null)" != "$src" ]; then
  echo "skipped: the source tarball and the second package build (the sources are not a git checkout)"
else
  epoch=$(env -u SOURCE_DATE_EPOCH "$src/tools/source-date.sh" "$src")
  stamp=$(date -u -d "@$epoch" '+%Y-%m-%d %H:%M')
  check "every file in the package carries the last commit's time, $stamp (a package made before the last commit fails here)" \
    test "$(TZ=UTC dpkg-deb -c "$deb" | awk '{ print $4, $5 }' | sort -u)" = "$stamp"
  name="torvinel-${version#* }"
  day=$(sed -n 's/^set(TORVINEL_RELEASE_DATE \(.*\))$/\1/p' "$src/CMakeLists.txt")
  cmake --build "$E2E_BUILD" --target dist >"$E2E_WORK/dist.txt" 2>&1
  tarball="$E2E_BUILD/$name.tar.gz"
  TZ=UTC LC_ALL=C.UTF-8 tar --quoting-style=literal -tvzf "$tarball" >"$E2E_WORK/tarball.txt" 2>&1
  check "the source tarball holds exactly the tracked files, under $name/" test "$(awk '!/^d/ { print $6 }' \
    "$E2E_WORK/tarball.txt" | sort)" = "$(git -C "$src" -c core.quotePath=false ls-files | sed "s|^|$name/|" | sort)"
  check "each dated by the release day, $day, and owned by root" \
    test "$(awk '{ print $2, $4, $5 }' "$E2E_WORK/tarball.txt" | sort -u)" = "0/0 $day 00:00"
  foreign="$E2E_WORK/foreign"
  mkdir -p "$foreign"
  git -C "$foreign" init -q
  GIT_COMMITTER_DATE="2001-02-03T04:05:06Z" git -C "$foreign" -c user.name=someone -c user.email=someone@example.org \
    commit -q --allow-empty --date="2001-02-03T04:05:06Z" -m "another project"
  tar -C "$foreign" -xzf "$tarball"
  check "unpacked inside another git repository, its builds take the release day's date, not that repository's" \
    test "$(env -u SOURCE_DATE_EPOCH "$foreign/$name/tools/source-date.sh" "$foreign/$name")" = "$(date -u -d "$day" +%s)"
  (umask 077 && cd "$foreign" && TZ=UTC-14 SOURCE_DATE_EPOCH=$epoch TORVINEL_BUILD_DIR="$foreign/build" \
    "$foreign/$name/tools/torvinel.sh" package >"$E2E_WORK/again.txt" 2>&1)
  second=$(ls "$foreign"/build/torvinel_*_amd64.deb 2>/dev/null | head -n 1)
  check "packaged again from it, the .deb is the same byte for byte" cmp -s "$deb" "${second:-/dev/null}"
  if [ -n "$second" ] && ! cmp -s "$deb" "$second"; then
    diff <(dpkg-deb -c "$deb") <(dpkg-deb -c "$second") | sed 's/^/  listing: /'
    diff <(dpkg-deb -I "$deb" md5sums) <(dpkg-deb -I "$second" md5sums) | sed 's/^/  md5sums: /'
  elif [ -z "$second" ]; then
    tail -n 20 "$E2E_WORK/again.txt" | sed 's/^/  again: /'
  fi
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "skipped: installing the package with apt (needs root, as in CI)"
elif dpkg-query -W -f='${Status}' torvinel 2>/dev/null | grep -q installed; then
  echo "skipped: installing the package with apt (torvinel is already installed here; left alone)"
else
  remove_package() { DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq torvinel >/dev/null 2>&1; }
  trap 'remove_package; e2e_cleanup' EXIT
  cp "$deb" /tmp/ && chmod 644 "/tmp/$(basename "$deb")"
  check "apt-get install of the package" \
    bash -c "DEBIAN_FRONTEND=noninteractive apt-get install -y -qq '/tmp/$(basename "$deb")' >'$E2E_WORK/apt.txt' 2>&1"
  rm -f "/tmp/$(basename "$deb")"
  data_before=$(tree_state /usr/share/games/torvinel)
  mkdir -p "$E2E_WORK/home2"
  cd /tmp
  PATH="$PATH:/usr/games" HOME="$E2E_WORK/home2" play_round torvinel-windowed \
    "$E2E_WORK/home2/.local/share/torvinel/ranking.dat" package
  check "nothing in /usr/share/games/torvinel changed" test "$(tree_state /usr/share/games/torvinel)" = "$data_before"
  check "apt-get remove of the package" remove_package
  trap e2e_cleanup EXIT
  # Folders shared with other packages stay; nothing else of this package may.
  mapfile -t still < <(while read -r f; do [ -e "$f" ] || [ -L "$f" ] && echo "$f"; done <"$E2E_WORK/deb-files")
  left=$(printf '%s\n' "${still[@]}" | grep -vxFf <(dpkg -S "${still[@]}" 2>/dev/null | sed 's/.*: //') | grep .)
  check "no file of the package is left${left:+ (left: $left)}" test -z "$left"
fi

e2e_finish
