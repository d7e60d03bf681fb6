#!/usr/bin/env bash
# The keys that are not play, through the real windows under a window manager (openbox): Enter
# pauses and resumes a game, the window losing the keyboard pauses it and getting it back does
# not resume; F11 and Alt+Enter switch full screen and back to the window's own size and place;
# the sound keys and the mode are kept in res/settings.ini, and the full-screen executable starts
# as the player left it. A run recorded with a pause plays back in step with --timedemo.
source "$(dirname "$0")/lib/common.bash"

e2e_start_x 1600 1000
data=$(e2e_data_copy)
cd "$data"
check "openbox runs and offers full screen" e2e_start_openbox

geometry() { xdotool getwindowgeometry --shell "$1" | awk -F= '/^(X|Y|WIDTH|HEIGHT)=/ { printf "%s%s", (n++ ? " " : ""), $2 }'; }
# Waits for window $1 to have the geometry "X Y WIDTH HEIGHT" (an x or y of * is any) and prints it.
geometry_becomes() {
  local got want="$2" _
  for _ in $(seq 1 100); do
    got=$(geometry "$1")
    [[ "$got" == $want ]] && break
    sleep 0.1
  done
  echo "$got"
}
paused() { [ "${GAME[paused]:-0}" = 1 ]; }

e2e_launch "$E2E_BUILD/torvinel-windowed" "$E2E_WORK/out.txt" "$E2E_WORK/err.txt" --record "$E2E_WORK/paused.demo"
win=$(e2e_wait_window "$pid") || fail "window appeared"
if [ -n "${win:-}" ]; then
  e2e_hold space 0.15
  e2e_wait_scene game
  e2e_hold Return 0.1
  check "Enter pauses the game" e2e_wait_state "" paused
  time=${GAME[time]}
  e2e_hold Right 0.5
  e2e_hold Up 0.3
  e2e_wait_ticks 30
  check "while paused the time, gems, blade and view stand still (time $time, then ${GAME[time]})" \
    test "${GAME[time]}" = "$time" -a "${GAME[blade]}" = 0/0 -a "${GAME[angle]}" = 0
  e2e_shot player-keys-paused
  e2e_hold Return 0.1
  check "Enter resumes it" e2e_wait_state "" "! paused && [ \${GAME[time]} -lt $time ]"

  xmessage -geometry +900+600 "another window" &
  E2E_PIDS+=("$!")
  other() { other=$(xdotool search --onlyvisible --name '^xmessage$' 2>/dev/null | head -n 1); [ -n "$other" ]; }
  e2e_until "" other
  xdotool windowactivate --sync "$other" 2>/dev/null || xdotool windowfocus "$other"
  check "losing the keyboard pauses the game" e2e_wait_state "" paused
  xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus "$win"
  e2e_wait_ticks 40
  check "getting it back does not resume" paused
  e2e_hold Return 0.1
  check "Enter does" e2e_wait_state "" "! paused"

  before=$(geometry "$win")
  read -r x y w h <<<"$before"
  xdotool key F11
  got=$(geometry_becomes "$win" "0 0 1600 1000")
  check "F11 makes the window full screen (got $got)" test "$got" = "0 0 1600 1000"
  xdotool key F11
  got=$(geometry_becomes "$win" "$x $y 1280 720")
  check "F11 again brings it back at $before (got $got)" test "$got" = "$before"
  xdotool key alt+Return
  got=$(geometry_becomes "$win" "0 0 1600 1000")
  check "Alt+Enter makes it full screen (got $got)" test "$got" = "0 0 1600 1000"
  e2e_wait_ticks 10
  check "and does not pause the game" e2e_wait_state "" "! paused"
  xdotool key alt+Return
  got=$(geometry_becomes "$win" "$x $y 1280 720")
  check "Alt+Enter again brings it back (got $got)" test "$got" = "$before"
  xdotool windowsize "$win" 900 600
  geometry_becomes "$win" "* * 900 600" >/dev/null
  # One at a time: two presses of a key in one go read as the window system's auto-repeat.
  for key in minus minus 9 m; do xdotool key "$key"; e2e_wait_ticks 3; done
  e2e_shot player-keys-muted
  e2e_hold Escape 0.3
  e2e_wait_exit "$pid" 10
  check "the recording ends with status 0 (got $E2E_STATUS)" test "$E2E_STATUS" = 0
  check "nothing on stderr" test ! -s "$E2E_WORK/err.txt"
  kept=$(tr '\n' ' ' <res/settings.ini | tr -s ' ')
  check "the levels, mute, window mode and size are kept (got: $kept)" test \
    "$(sed -n 's/^\(music\|effects\|mute\|fullscreen\|width\|height\) = //p' res/settings.ini | paste -sd,)" = 8,9,1,0,900,600
  out=$(cd "$E2E_WORK" && "$E2E_BUILD/torvinel-windowed" --timedemo paused.demo 2>&1)
  check "the run with its pauses plays back in step (${out##*; })" test "${out##*; }" = "in step"
  check "passing over the paused ticks undrawn ($out)" grep -Eq "; [0-9]{2,} paused ticks passed over; in step$" <<<"$out"
fi

# The full-screen executable starts as the player left it: in the kept window, until F11.
e2e_launch "$E2E_BUILD/torvinel" "$E2E_WORK/out2.txt" "$E2E_WORK/err2.txt"
win=$(e2e_wait_window "$pid") || fail "second window appeared"
if [ -n "${win:-}" ]; then
  e2e_wait_ticks 5
  got=$(geometry_becomes "$win" "* * 900 600")
  check "torvinel starts in the kept 900x600 window (got $got)" test "${got#* * }" = "900 600"
  xdotool key F11
  got=$(geometry_becomes "$win" "0 0 1600 1000")
  check "F11 makes it full screen (got $got)" test "$got" = "0 0 1600 1000"
  e2e_hold Escape 0.3
  e2e_wait_exit "$pid" 10
  check "full screen is kept" grep -qx "fullscreen = 1" res/settings.ini
fi

e2e_finish
