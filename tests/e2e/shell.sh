#!/usr/bin/env bash
# The shell from the outside: the window and its 512-pixel floor, the frame-rate line, the full-screen
# window, and leaving: a tap of Escape does nothing, a held one ends the game with status 0 (here
# from a game; cycle.sh leaves from the title, bad_files.sh from the ranking), and so does the
# window's close button.
source "$(dirname "$0")/lib/common.bash"
source "$(dirname "$0")/lib/look.bash"

e2e_start_x 1600 1000
data=$(e2e_data_copy)
cd "$data"

quits_cleanly() {
  e2e_wait_exit "$pid" 10
  check "$1: the game ends with status 0 (got $E2E_STATUS)" test "$E2E_STATUS" = 0
  check "$1: nothing on stderr" test ! -s "$2"
  [ -s "$2" ] && sed 's/^/  stderr: /' "$2"
}

size() { xdotool getwindowgeometry --shell "$1" | awk -F= '/WIDTH|HEIGHT/ { printf "%s", (n++ ? "x" : "") $2 }'; }

# Windowed: a frame-rate line within two seconds, 1280x720, never narrower than 512. Its profile log
# names each scene it switches to.
TORVINEL_PROFILE="$E2E_WORK/profile.log" e2e_launch "$E2E_BUILD/torvinel-windowed" "$E2E_WORK/out.txt" "$E2E_WORK/err.txt"
check "windowed game prints a frame-rate line within two seconds" e2e_wait_for_text "$E2E_WORK/out.txt" 2 "fps:"
win=$(e2e_wait_window "$pid") || fail "window appeared"
if [ -n "${win:-}" ]; then
  got=$(size "$win")
  check "windowed game opens at 1280x720 (got $got)" test "$got" = 1280x720
  xdotool windowsize "$win" 400 800
  sleep 0.5
  got=$(size "$win")
  check "a resize to 400x800 is raised to 512x800 (got $got)" test "$got" = 512x800
  xdotool windowfocus "$win"
  xdotool key Escape
  sleep 0.3
  check "a tap of Escape leaves the game running" kill -0 "$pid"
  e2e_tap space
  check "Space starts a game" e2e_wait_for_text "$E2E_WORK/profile.log" 2 "GameScene"
  e2e_hold Escape 0.3
  quits_cleanly "Escape held in a game" "$E2E_WORK/err.txt"
fi

# Full screen: the window covers the whole screen; its close button ends the game.
e2e_launch "$E2E_BUILD/torvinel" "$E2E_WORK/out2.txt" "$E2E_WORK/err2.txt"
win=$(e2e_wait_window "$pid") || fail "full-screen window appeared"
if [ -n "${win:-}" ]; then
  e2e_wait_for_text "$E2E_WORK/out2.txt" 5 "fps:"
  eval "$(xdotool getwindowgeometry --shell "$win")"
  check "full-screen window covers 1600x1000 at 0,0 (got ${WIDTH}x${HEIGHT} at $X,$Y)" \
    test "$WIDTH" = 1600 -a "$HEIGHT" = 1000 -a "$X" = 0 -a "$Y" = 0
  tool=$(e2e_close_tool) || fail "close-button helper built"
  "$tool" "$win"
  quits_cleanly "the window's close button" "$E2E_WORK/err2.txt"
fi

e2e_finish
