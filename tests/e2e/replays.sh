#!/usr/bin/env bash
# Every ranked game keeps its run: games played through the real window each leave a run beside the
# ranking that plays in step to that place's score, --play-rank plays it, and playing it touches
# nothing. (replays_saves.sh: two copies, a slow disk and kills.)
source "$(dirname "$0")/lib/common.bash"
source "$(dirname "$0")/lib/replays.bash"
e2e_gone_not() { kill -0 "$1" 2>/dev/null; }

replays_data

e2e_start_x 1280 720
e2e_launch "$game" "$E2E_WORK/out.txt" "$E2E_WORK/err.txt"
e2e_wait_window "$pid" >/dev/null || fail "window appeared"
scores=()
for g in 1 2 3; do
  play_game "0.$((3 * g))" "0.$((2 + g))"
  scores+=("${GAME[score]}")
done
e2e_wait_scene title
e2e_hold Escape 0.3
e2e_wait_exit "$pid" 30
check "the game ends with status 0 (got $E2E_STATUS)" test "$E2E_STATUS" = 0
check "nothing on stderr" test ! -s "$E2E_WORK/err.txt"
check "the index starts with its format line" test "$(head -n 1 "$res/replays/index")" = "torvinel-replays 1"
runs_agree
check "each of the three games' places has its run, in step to its score (${scores[*]})" test "${runs_checked:-0}" = 3
check "no run that no place names" test -z "$(orphans)"
check "last.demo is the last game's run: it ends on its three games" \
  grep -Eq "^[0-9]+ end scores=${scores[0]},${scores[1]},${scores[2]} " "$res/replays/last.demo"

# The second game's place, played from the command line: the run starts with that game, says it
# is watching, and ends on the board with its score; the ranking and the runs are left alone.
read -r place score run < <(agreeing_runs | awk -v s="${scores[1]}" '$2 == s' | head -n 1)
before=$(cd "$res" && ls -l --time-style=full-iso ranking.dat replays | md5sum)
e2e_launch "$game" "$E2E_WORK/out.txt" "$E2E_WORK/err.txt" --play-rank "$place"
e2e_wait_window "$pid" >/dev/null || fail "window appeared"
check "--play-rank $place says it is watching place $place" e2e_wait_state "" "[ \"\${GAME[watching]:-}\" = $place ]"
e2e_wait_exit "$pid" 120
check "--play-rank $place ends with status 0 (got $E2E_STATUS)" test "$E2E_STATUS" = 0
check "it ended on the board with the score of place $place ($score)" \
  test "$(tail -n 1 "$E2E_STATE" | sed -E 's/.* score=(-?[0-9]+) .*/\1/')" = "$score"
check "nothing on stderr" test ! -s "$E2E_WORK/err.txt"
check "playing a run touched neither the ranking nor the runs" \
  test "$(cd "$res" && ls -l --time-style=full-iso ranking.dat replays | md5sum)" = "$before"
"$game" --play-rank 8 >/dev/null 2>"$E2E_WORK/err.txt"
E2E_STATUS=$?
check "a place without a run is status 1 (got $E2E_STATUS)" test "$E2E_STATUS" = 1
check "in one line" grep -qx 'torvinel: no run to play: place 8 (score -5) has no run kept' "$E2E_WORK/err.txt"

# From the board: a fourth game, then Down twice (place 3) and r plays that place's run, which
# returns to the board once played out; r again and Escape returns at once. Neither Escape quits.
e2e_launch "$game" "$E2E_WORK/out.txt" "$E2E_WORK/err.txt"
e2e_wait_window "$pid" >/dev/null || fail "window appeared"
play_game 0.2 0.2 >/dev/null
e2e_wait_scene title && e2e_wait_ticks 20
e2e_tap space
e2e_wait_scene game && e2e_wait_ticks 20
e2e_tap p
e2e_wait_state "" '[ "${GAME[scene]}" = ranking ] && [ "${GAME[banner]}" -le 3040 ]'
read -r place3 score3 run3 < <(agreeing_runs | awk '$1 == 3')
e2e_tap Down
e2e_tap Down
asked=$(e2e_state_mark)
xdotool key r
check "r on the board plays place 3's run" e2e_wait_state "" '[ "${GAME[watching]:-}" = 3 ]'
check "which ends on its board with place 3's score ($score3)" \
  e2e_wait_state "" "[ \"\${GAME[scene]}\" = ranking ] && [ \"\${GAME[score]}\" = '$score3' ] && [ -n \"\${GAME[watching]:-}\" ]"
check "then the game's own board is back, its ticks going on from where r was pressed" \
  e2e_wait_state "" "[ -z \"\${GAME[watching]:-}\" ] && [ \"\${GAME[scene]}\" = ranking ] && [ \"\${GAME[tick]}\" -gt $(e2e_since "$asked" 'v["watching"] == ""' first) ]"
xdotool key r
check "r again plays it again" e2e_wait_state "" '[ "${GAME[watching]:-}" = 3 ]'
xdotool keydown Escape
check "Escape returns to the board" e2e_wait_state "" '[ -z "${GAME[watching]:-}" ] && [ "${GAME[scene]}" = ranking ]'
e2e_wait_ticks 90
xdotool keyup Escape
e2e_wait_ticks 5
check "the Escape held from watching does not quit the game" e2e_gone_not "$pid"
# A game after watching keeps a run in step too: the session's record went on as if unbroken.
e2e_tap space
e2e_wait_state "" '[ "${GAME[scene]}" = title ] || [ "${GAME[banner]}" -le 3150 ]'
[ "${GAME[scene]}" = ranking ] && e2e_tap space
play_game 0.5 0.3 >/dev/null
e2e_wait_scene title
e2e_hold Escape 0.3
e2e_wait_exit "$pid" 30
check "held again, it does (status $E2E_STATUS)" test "$E2E_STATUS" = 0
check "coming back from watching, the game is in step with itself and says nothing" test ! -s "$E2E_WORK/err.txt"
runs_agree
check "every run, the one after watching too, agrees with its place (${runs_checked:-0} places)" \
  test "${runs_checked:-0}" = 6

e2e_finish
