# Helpers of the replays' end-to-end scripts: games played through the window, and the check that
# every place of the ranking whose index line agrees has a run ending on its score. Source it after
# common.bash, and call replays_data first.

# A copy of the data folder with its own game beside it, whose ranking lets every game in, even one
# that scored 0: sets $data, $game, $demo_tool and $res (the data folder's res/).
replays_data() {
  data=$(e2e_data_copy)
  cp "$E2E_BUILD/torvinel-windowed" "$data/"
  game="$data/torvinel-windowed"
  demo_tool="$E2E_BUILD/tools/demo_tool"
  res="$data/res"
  printf -- '-1 -2 -3 -4 -5 -6 -7 -8 ' >"$res/ranking.dat"
}

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
