#!/usr/bin/env bash
# Watching a kept run from the board, steered from the real window: Enter pauses it (its ticks
# stand still and the corner label says PAUSED), Right steps it up to four times (four ticks a
# frame, the label says 4x), Left back to twice, and Escape returns to the board. Each step waits on
# the state lines, written once a frame while watching, and on the label's pixels, never on the clock.
source "$(dirname "$0")/lib/common.bash"
source "$(dirname "$0")/lib/look.bash"
source "$(dirname "$0")/lib/replays.bash"

shots="$E2E_ARTIFACTS/replays_watch"
mkdir -p "$shots"
# Bottom right of the 1280x720 window: the strip where "REPLAY" stands alone at normal speed, the
# one where it stands only when a pace as wide as "PAUSED" follows it, and the one where it stands
# with "2x" or "4x" after it but not alone.
ALONE=100x24+1160+680
PAUSED_ONLY=44x24+1034+680
PACED=34x24+1112+680
LABEL=250x32+1030+676

replays_data
e2e_start_x 1280 720
e2e_launch "$game" "$E2E_WORK/out.txt" "$E2E_WORK/err.txt"
e2e_wait_window "$pid" >/dev/null || fail "window appeared"
# A game paused for twelve seconds of its ticks, then left to run out of time: a run long enough to
# watch at four times on a busy machine.
e2e_wait_scene title && e2e_wait_ticks 20
e2e_tap space
e2e_wait_scene game && e2e_hold Up 1
e2e_tap Return
e2e_wait_state "" '[ "${GAME[paused]:-}" = 1 ]' && e2e_wait_ticks 750
e2e_tap Return
e2e_wait_scene ranking
e2e_wait_state "" '[ "${GAME[banner]}" -le 3040 ]'

# Holds key $1 until the state passes test $2 and three frames more have read it, then lets go
# until a frame reads it up: while watching the lines carry the player's own keys.
watch_key() {
  local name mark
  name=$(e2e_key_name "$1")
  e2e_press "$1" || return 1
  mark=$(e2e_state_mark)
  e2e_wait_state "" "$2" && e2e_wait_state "" "[ \$(e2e_since $mark 'k ~ /,$name,/') -ge 3 ]"
  local seen=$?
  e2e_release "$1"
  return $seen
}
# Polls the label's corner until the gold of strip $1 is above $2 and that of strip $3 below $4;
# the last look is kept as $5.png.
label_shows() { e2e_until "" label_look "$@"; }
label_look() {
  e2e_snap "$shots/$5.png" || return 1
  e2e_above "$(e2e_gold "$shots/$5.png" "$1")" "$2" && e2e_above "$4" "$(e2e_gold "$shots/$5.png" "$3")"
}
# Ticks the run advanced a frame, on average, over the lines since byte $1 at pace $2.
ticks_a_frame() {
  tail -c +$(($1 + 1)) "$E2E_STATE" | awk -v p=" watchpace=$2 " 'index($0, p) {
      if (n++ == 0) first = $1; last = $1 }
    END { printf "%.2f\n", (n > 1 ? (last - first) / (n - 1) : 0) }'
}
# Waits until $2 lines at pace $1 have been written since byte $3.
frames_at() { e2e_wait_state "" "[ \$(e2e_since $3 'v[\"watchpace\"] == $1') -ge $2 ]"; }

check "r on the board watches the run" watch_key r '[ -n "${GAME[watching]:-}" ] && [ "${GAME[scene]}" = game ]'
mark=$(e2e_state_mark)
frames_at 2 12 "$mark"
check "at normal speed one tick a frame, and the label says REPLAY alone" \
  test "$(ticks_a_frame "$mark" 2)" = 1.00 -a "${GAME[watchpace]:-}" = 2
check "REPLAY alone in the corner" label_shows "$ALONE" 0.08 "$PACED" 0.02 normal
check "nothing further left, where it moves to when a pace follows" \
  e2e_above 0.02 "$(e2e_gold "$shots/normal.png" "$PAUSED_ONLY")"

check "Enter pauses the run" watch_key Return '[ "${GAME[watchpace]:-}" = 0 ]'
mark=$(e2e_state_mark)
frames_at 0 10 "$mark"
check "and its ticks stand still, frame after frame" test "$(ticks_a_frame "$mark" 0)" = 0.00
check "the label says REPLAY PAUSED" label_shows "$PAUSED_ONLY" 0.08 "$PAUSED_ONLY" 2 paused
# Right twice while paused: the run goes on at four times the moment Enter lets it.
check "Right while paused keeps it paused" watch_key Right '[ "${GAME[watchpace]:-}" = 0 ]'
watch_key Right '[ "${GAME[watchpace]:-}" = 0 ]'
mark=$(e2e_state_mark)
check "Enter again plays it on at four times" watch_key Return '[ "${GAME[watchpace]:-}" = 8 ]'
frames_at 8 12 "$mark"
check "the label says REPLAY 4x" label_shows "$PACED" 0.08 "$PAUSED_ONLY" 0.02 four
check "four ticks a frame (read $(ticks_a_frame "$mark" 8))" test "$(ticks_a_frame "$mark" 8)" = 4.00
mark=$(e2e_state_mark)
check "Left steps it back to twice" watch_key Left '[ "${GAME[watchpace]:-}" = 4 ]'
frames_at 4 6 "$mark"
check "two ticks a frame (read $(ticks_a_frame "$mark" 4))" test "$(ticks_a_frame "$mark" 4)" = 2.00
check "the label says REPLAY 2x" label_shows "$PACED" 0.08 "$PAUSED_ONLY" 0.02 double
e2e_snap "$shots/label-2x.png" "$LABEL"
check "Left, normal speed" watch_key Left '[ "${GAME[watchpace]:-}" = 2 ]'
check "Left again, half speed" watch_key Left '[ "${GAME[watchpace]:-}" = 1 ]'
label_shows "$PACED" 0.08 "$PAUSED_ONLY" 0.02 half
# Escape is kept from the board until let go, so the lines after it never read it.
xdotool keydown Escape
check "Escape returns to the board" e2e_wait_state "" '[ -z "${GAME[watching]:-}" ] && [ "${GAME[scene]}" = ranking ]'
e2e_wait_ticks 5
e2e_release Escape
check "and the label is gone" label_shows "$PAUSED_ONLY" -1 "$ALONE" 0.02 board
check "nothing on stderr" test ! -s "$E2E_WORK/err.txt"

e2e_finish
