#!/usr/bin/env bash
# Every ranked game keeps its run: games played through the real window each leave a run beside the
# ranking that plays in step to that place's score, --play-rank plays it, and playing it touches
# nothing. (replays_saves.sh: two copies, a slow disk and kills.)
source "$(dirname "$0")/lib/common.bash"
source "$(dirname "$0")/lib/replays.bash"

data=$(e2e_data_copy)
cp "$E2E_BUILD/torvinel-windowed" "$data/"
game="$data/torvinel-windowed"
demo_tool="$E2E_BUILD/tools/demo_tool"
res="$data/res"
# Every place below zero, so that every game enters, even one that scored 0.
printf -- '-1 -2 -3 -4 -5 -6 -7 -8 ' >"$res/ranking.dat"

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

e2e_finish
