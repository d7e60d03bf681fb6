#!/usr/bin/env bash
# Every ranked game keeps its run: games played through the real window each leave a run beside the
# ranking that plays in step to that place's score, --play-rank plays it, and playing it touches
# nothing. Then two copies saving at once on a slowed disk, and copies killed during their saves:
# never a place whose run ends on another score, and the runs a kill left alone go at the next save.
source "$(dirname "$0")/lib/common.bash"

command -v strace >/dev/null || { echo "strace is needed (tools/torvinel.sh installs it)"; exit 1; }
data=$(e2e_data_copy)
cp "$E2E_BUILD/torvinel-windowed" "$data/"
game="$data/torvinel-windowed"
demo_tool="$E2E_BUILD/tools/demo_tool"
res="$data/res"
# Every place below zero, so that every game enters, even one that scored 0.
printf -- '-1 -2 -3 -4 -5 -6 -7 -8 ' >"$res/ranking.dat"

# Plays one game on the game launched last (from its title to its board and back): Up held for
# $1 seconds and Left for $2, then p; GAME[score] is its score. The board is left at once.
play_game() {
  e2e_wait_scene title && e2e_wait_ticks 20
  e2e_tap space
  e2e_wait_scene game && e2e_wait_ticks 20
  e2e_hold Up "$1"
  e2e_hold Left "$2"
  e2e_tap p
  e2e_wait_scene ranking || return 1
  score=${GAME[score]}
  e2e_wait_ticks 60
  e2e_tap space
  e2e_wait_state "" '[ "${GAME[scene]}" = title ] || [ "${GAME[banner]}" -le 3150 ]'
  [ "${GAME[scene]}" = ranking ] && e2e_tap space
  GAME[score]=$score
}

# The place of the ranking (1..8) and its score, run by run, as "place score run" lines of the
# index that agree with the ranking file.
agreeing_runs() {
  local -a table
  read -r -a table <"$res/ranking.dat"
  tail -n +2 "$res/replays/index" 2>/dev/null | while read -r place score run; do
    [ "$run" != - ] && [ "${table[$((place - 1))]}" = "$score" ] && echo "$place $score $run"
  done
}

# The score a run's last game made (the last of its end line's scores).
last_score() { sed -nE 's/^[0-9]+ end scores=([-0-9,]*,)?(-?[0-9]+) .*/\2/p' "$1"; }

# Every place whose index line agrees with the ranking has a run that plays in step, headless, to
# that very score. Says what is wrong on stderr.
runs_agree() {
  local place score run file good=0
  while read -r place score run; do
    file="$res/replays/$run.demo"
    if ! "$demo_tool" check "$file" 2>&1 | grep -q 'in step$'; then
      echo "place $place: run $run does not play in step" >&2; return 1
    fi
    if [ "$(last_score "$file")" != "$score" ]; then
      echo "place $place: run $run ends on $(last_score "$file"), the ranking says $score" >&2; return 1
    fi
    good=$((good + 1))
  done < <(agreeing_runs)
  runs_checked=$good
}

# The runs in the folder that no index line names (last.demo aside).
orphans() {
  local file name
  for file in "$res"/replays/*.demo; do
    name=$(basename "$file" .demo)
    [ -e "$file" ] && [ "$name" != last ] && ! grep -q " $name\$" "$res/replays/index" && echo "$file"
  done
}

# --- One copy, three games through the window -----------------------------------------------------
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
