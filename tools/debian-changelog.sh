#!/bin/sh
# Writes CHANGELOG.md as a Debian changelog, the form a native package's changelog.gz takes.
#   tools/debian-changelog.sh CHANGELOG.md PACKAGE "NAME <ADDRESS>" OUTPUT
# Each "## [x.y.z] - yyyy-mm-dd" heading starts an entry, each "### Kind" a group, each "- " item a
# "  * " item with its continuation lines; text before the first release, an "Unreleased" section
# and link references are left out, backticks dropped. The Markdown file keeps days only, while
# Debian wants each entry later than the one before it, so releases made on one day are put a
# minute apart in their order, the oldest at midnight UTC.
set -eu
[ $# -eq 4 ] || { echo "usage: $0 CHANGELOG.md PACKAGE 'NAME <ADDRESS>' OUTPUT" >&2; exit 2; }
awk -v package="$2" -v maintainer="$3" '
  function fail(why) { printf "%s:%d: %s\n", FILENAME, FNR, why > "/dev/stderr"; bad = 1; exit 1 }
  /^## \[[0-9]+\.[0-9]+\.[0-9]+\] - [0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] *$/ {
    n++
    version[n] = substr($2, 2, length($2) - 2)
    day[n] = $4
    inside = 1
    next
  }
  /^## / { inside = 0; next }
  !inside || /^ *$/ || /^\[[^]]*\]: / { next }
  /^### / { body[n] = body[n] (body[n] == "" ? "" : "\n") "  " substr($0, 5) ":\n"; next }
  /^- / { body[n] = body[n] "  * " substr($0, 3) "\n"; next }
  /^  +[^ ]/ { sub(/^ +/, ""); body[n] = body[n] "    " $0 "\n"; next }
  { fail("not a heading, an item or an item'"'"'s continuation: " $0) }
  END {
    if (bad) exit 1
    if (n == 0) { print "no release heading found" > "/dev/stderr"; exit 1 }
    for (i = n; i >= 1; i--) minute[i] = (i < n && day[i] == day[i + 1]) ? minute[i + 1] + 1 : 0
    for (i = 1; i <= n; i++) {
      when = sprintf("%s %02d:%02d UTC", day[i], int(minute[i] / 60), minute[i] % 60)
      command = "date -u -R -d \"" when "\""
      stamp = ""
      command | getline stamp
      close(command)
      if (stamp == "") { print "bad date " day[i] > "/dev/stderr"; exit 1 }
      text = body[i]
      gsub(/`/, "", text)
      printf "%s (%s) unstable; urgency=medium\n\n%s\n -- %s  %s\n", package, version[i], text, maintainer, stamp
      if (i < n) print ""
    }
  }' "$1" >"$4"
