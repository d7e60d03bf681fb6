#!/usr/bin/env bash
# Leaving the game: a held Escape ends it with status 0 from each of the three scenes, and so does
# the window's close button.
source "$(dirname "$0")/lib/common.bash"
source "$(dirname "$0")/lib/look.bash"

e2e_start_x 1280 720
data=$(e2e_data_copy)
cd "$data"

launch() {
  e2e_launch "$E2E_BUILD/torvinel-windowed" "$E2E_WORK/out.txt" "$E2E_WORK/err.txt"
  win=$(e2e_wait_window "$pid") || return 1
  e2e_wait_for_text "$E2E_WORK/out.txt" 10 "fps:"
}

quits_cleanly() {
  local where="$1"
  e2e_wait_exit "$pid" 10
  check "$where: the game ends with status 0 (got $E2E_STATUS)" test "$E2E_STATUS" = 0
  check "$where: nothing on stderr" test ! -s "$E2E_WORK/err.txt"
  [ -s "$E2E_WORK/err.txt" ] && sed 's/^/  stderr: /' "$E2E_WORK/err.txt"
}

launch || fail "window appeared"
e2e_hold Escape 0.3
quits_cleanly "Escape on the title"

launch || fail "window appeared"
e2e_tap space
sleep 0.5
e2e_hold Escape 0.3
quits_cleanly "Escape in a game"

launch || fail "window appeared"
e2e_tap space
sleep 0.3
e2e_tap p
e2e_wait_for_text res/ranking.dat 10 " "
sleep 0.5
e2e_hold Escape 0.3
quits_cleanly "Escape on the ranking"

launch || fail "window appeared"
tool=$(e2e_close_tool) || fail "close-button helper built"
sleep 0.5
"$tool" "$win"
quits_cleanly "the window's close button"

e2e_finish
