#!/usr/bin/env bash
# Runs a command under a private virtual X server with a 1280x1024 screen, so GL tests never
# depend on (or disturb) the developer's display.
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$@"
