#!/usr/bin/env bash
# Runs the README's test command on another Debian release, as a new player would on a fresh system:
# makes a root of that release with debootstrap (from the Debian archive this machine's apt already
# uses), copies a clean clone of the current commit into it, runs ./tools/torvinel.sh test there with
# chroot (the tests cut off from the network, see below), prints the outcome, the time it took and
# what it installed, and removes everything it made.
#   sudo tools/debian-root-test.sh [--keep] [SUITE] [MODE]
#     SUITE   trixie (Debian 13, the default), bookworm, ...
#     MODE    test (the default), build (what playing installs) or package
#     --keep  leaves the root for a look, and says where it is
# Needs root and a few GiB in /var/tmp (TMPDIR wins). The mounts it needs (/proc, /sys, /dev, /dev/pts)
# live in a mount namespace of its own, so they vanish with it whatever way it ends.
set -euo pipefail
# Read whole before it runs: the run takes most of an hour, and the file may be edited meanwhile.
{
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
keep=no
suite=trixie
mode=test
for arg in "$@"; do
  case "$arg" in
    --keep) keep=yes ;;
    build | test | package) mode=$arg ;;
    [a-z]*) suite=$arg ;;
    *) echo "usage: tools/debian-root-test.sh [--keep] [SUITE] [build | test | package]" >&2; exit 2 ;;
  esac
done
[ "$(id -u)" -eq 0 ] || { echo "debian-root-test: needs root (debootstrap and chroot)" >&2; exit 1; }
commit=$(git -C "$here" rev-parse HEAD)
[ -z "$(git -C "$here" status --porcelain --untracked-files=no)" ] ||
  echo "debian-root-test: uncommitted changes are left out; testing commit $commit"

# The archives this machine's apt reads, one-line and deb822 sources alike.
sources() {
  cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources 2>/dev/null |
    sed -n -e 's/^URIs:[[:space:]]*//p' \
      -e 's/^deb[[:space:]]\+\(\[[^]]*\][[:space:]]\+\)\{0,1\}\([^[:space:]]\+\).*/\2/p' | tr ' ' '\n'
}
mirror=$(sources | grep -m 1 -E '/debian/?$' || true)
security=$(sources | grep -m 1 -E '/debian-security/?$' || true)
[ -n "$mirror" ] || { echo "debian-root-test: apt reads no Debian archive here (no .../debian in its sources)" >&2; exit 1; }
command -v debootstrap >/dev/null ||
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 install -y -qq debootstrap >/dev/null

root=$(mktemp -d "${TMPDIR:-/var/tmp}/torvinel-$suite.XXXXXX")
chmod 755 "$root"  # apt's own user reads its lists there
cleanup() {
  local proc
  rm -f "$root.debootstrap.log"
  # Whatever still runs inside the root (a server a test left behind) ends with it.
  for proc in /proc/[0-9]*; do
    [ "$(readlink "$proc/root" 2>/dev/null)" = "$root" ] && kill "${proc#/proc/}" 2>/dev/null
  done
  if [ "$keep" = yes ]; then
    echo "debian-root-test: the root is left in $root (rm -rf --one-file-system $root)"
  else
    # The mounts lived in the namespace, which is gone: nothing but the root's own files is removed.
    rm -rf --one-file-system "$root"
  fi
}
trap cleanup EXIT

start=$(date +%s)
echo "debian-root-test: $suite from $mirror into $root"
debootstrap --variant=minbase --include=ca-certificates "$suite" "$root" "$mirror" >"$root.debootstrap.log" 2>&1 || {
  tail -n 20 "$root.debootstrap.log" >&2; exit 1; }
{
  echo "Types: deb"
  echo "URIs: $mirror"
  echo "Suites: $suite $suite-updates"
  echo "Components: main"
  echo "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg"
  if [ -n "$security" ]; then
    echo
    echo "Types: deb"
    echo "URIs: $security"
    echo "Suites: $suite-security"
    echo "Components: main"
    echo "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg"
  fi
} >"$root/etc/apt/sources.list.d/debian.sources"
rm -f "$root/etc/apt/sources.list"
# No service installed there may start: they would outlive the run in this machine's process table.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
cp /etc/resolv.conf "$root/etc/resolv.conf"

# A clean clone of this commit, as a player would clone it.
git clone -q --no-hardlinks "$here" "$root/root/torvinel"
git -C "$root/root/torvinel" checkout -q -B "$(git -C "$here" symbolic-ref -q --short HEAD || echo tested)" "$commit"

# How many packages, of how many MiB, the root holds.
holds() { chroot "$root" dpkg-query -W -f='${Installed-Size}\n' | awk '{ n++; k += $1 } END { printf "%d packages, %d MiB", n, k / 1024 }'; }
before=$(holds)
# The root shares this machine's network, and with it the abstract sockets X servers listen on: its
# tests' X servers would meet the displays of this machine's own (the lock files in the root's /tmp
# say nothing of them), and a test could drive another program's screen. So whatever needs the
# network (the packages: "package" installs all that "test" does) runs first, and the tests then run
# in a network namespace of their own, with nothing left to download.
status=0
unshare --mount --propagation private bash -c '
  set -e
  root=$1 mode=$2
  mount -t proc proc "$root/proc"
  mount -t sysfs sysfs "$root/sys"
  mount --bind /dev "$root/dev"
  mount --bind /dev/pts "$root/dev/pts"
  mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"
  run() {
    chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" \
      PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
      bash -c "cd /root/torvinel && ./tools/torvinel.sh $1"
  }
  if [ "$mode" = test ]; then
    run package
    export -f run
    export root
    exec unshare --net bash -c "run test"
  fi
  run "$mode"' bash "$root" "$mode" || status=$?
minutes=$(( ($(date +%s) - start + 30) / 60 ))
release=$(. "$root/etc/os-release" && echo "$PRETTY_NAME")
echo "debian-root-test: the fresh root held $before; after torvinel.sh $mode, $(holds)"
if [ "$status" -eq 0 ]; then
  echo "debian-root-test: $release, commit ${commit:0:12}: torvinel.sh $mode passed ($minutes min in all)"
else
  echo "debian-root-test: $release, commit ${commit:0:12}: FAILED with status $status ($minutes min in all)"
fi
exit "$status"
}
