#!/usr/bin/env bash
# The shell from the outside: the window, the frame-rate line, Escape, the 512-pixel floor and
# the full-screen window.
source "$(dirname "$0")/lib/common.bash"

e2e_start_x 1600 1000
data=$(e2e_data_copy)

# Windowed: starts, prints a frame-rate line within two seconds, a held Escape ends it with 0.
cd "$data"
e2e_launch "$E2E_BUILD/torvinel-windowed" "$E2E_WORK/out.txt" "$E2E_WORK/err.txt"
check "windowed game prints a frame-rate line within two seconds" e2e_wait_for_text "$E2E_WORK/out.txt" 2 "fps:"
win=$(e2e_wait_window "$pid") || fail "window appeared"
if [ -n "${win:-}" ]; then
  read -r w h < <(xdotool getwindowgeometry --shell "$win" | awk -F= '/WIDTH|HEIGHT/{printf "%s ", $2}')
  check "windowed game opens at 1280x720 (got ${w}x${h})" test "$w" = 1280 -a "$h" = 720
  xdotool windowsize "$win" 400 800
  sleep 1
  read -r w h < <(xdotool getwindowgeometry --shell "$win" | awk -F= '/WIDTH|HEIGHT/{printf "%s ", $2}')
  check "a resize to 400x800 is raised to 512x800 (got ${w}x${h})" test "$w" = 512 -a "$h" = 800
  xdotool windowfocus "$win"
  # One quick tap of Escape does nothing...
  xdotool key Escape
  sleep 0.5
  check "a tap of Escape leaves the game running" kill -0 "$pid"
  # ...a held one quits with status 0.
  e2e_hold Escape 0.3
  e2e_wait_exit "$pid" 5
  check "held Escape exits with status 0 (got $E2E_STATUS)" test "$E2E_STATUS" = 0
fi

# Full screen: the window covers the whole screen.
e2e_launch "$E2E_BUILD/torvinel" "$E2E_WORK/out2.txt" "$E2E_WORK/err2.txt"
win=$(e2e_wait_window "$pid") || fail "full-screen window appeared"
if [ -n "${win:-}" ]; then
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$win")"
  check "full-screen window covers 1600x1000 at 0,0 (got ${WIDTH}x${HEIGHT} at $X,$Y)" \
    test "$WIDTH" = 1600 -a "$HEIGHT" = 1000 -a "$X" = 0 -a "$Y" = 0
  e2e_hold Escape 0.3
  e2e_wait_exit "$pid" 5
  check "full-screen game exits with status 0 (got $E2E_STATUS)" test "$E2E_STATUS" = 0
fi

e2e_finish
