#!/usr/bin/env bash
# Runs a command under a private virtual X server with a 1280x1024 screen, so GL tests never
# depend on (or disturb) the developer's display. The server picks a free display number itself
# and is stopped whatever way the command ends, so none is ever left behind.
set -u
dir=$(mktemp -d /tmp/torvinel-xvfb.XXXXXX)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$dir"' EXIT
# A minute at most: on a busy machine the server can take seconds to come up.
until=$((SECONDS + 60))
until [ -s "$dir/display" ] || [ "$SECONDS" -ge "$until" ]; do
  kill -0 "$xvfb" 2>/dev/null || { echo "with-xvfb: Xvfb did not start" >&2; exit 1; }
  sleep 0.05
done
export DISPLAY=":$(head -n 1 "$dir/display")"
"$@"
