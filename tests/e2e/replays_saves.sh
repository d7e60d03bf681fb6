#!/usr/bin/env bash
# A score and its run never disagree, whatever happens to the save: two copies of the game ending
# games at the same moment on a disk whose every sync strace holds for a while, then a copy killed
# (kill -9) at each step of its save. After each, every place whose index line agrees with the
# ranking has a run that plays in step to that score; the next save clears what a kill left. Last,
# a copy left while its save still waits on the disk keeps its score and run in a journal, which the
# next start merges.
source "$(dirname "$0")/lib/common.bash"
source "$(dirname "$0")/lib/replays.bash"

command -v strace >/dev/null || { echo "strace is needed (tools/torvinel.sh installs it)"; exit 1; }
replays_data

e2e_start_x 1280 720
displays=("$DISPLAY")
E2E_PIDS+=("$E2E_XPID")  # the helper stops only the last X server it started
e2e_start_x 1280 720
displays+=("$DISPLAY")
declare -a pids games states

# Starts copy $1 on its own display, every fsync held $2 ms by strace (0: no strace); its game's
# own process id goes to games[$1], for kill -9.
launch_copy() {
  local n="$1" delay="$2"
  states[$n]="$E2E_WORK/state-copy-$n-$RANDOM.txt"
  : >"${states[$n]}"
  if [ "$delay" -gt 0 ]; then
    DISPLAY="${displays[$n]}" TORVINEL_STATE="${states[$n]}" \
      strace -f -qq --seccomp-bpf -o /dev/null -e trace=fsync -e inject=fsync:delay_enter=$((delay * 1000)) \
      "$game" >"$E2E_WORK/out-$n.txt" 2>"$E2E_WORK/err-$n.txt" &
  else
    DISPLAY="${displays[$n]}" TORVINEL_STATE="${states[$n]}" "$game" >"$E2E_WORK/out-$n.txt" 2>"$E2E_WORK/err-$n.txt" &
  fi
  pids[$n]=$!
  E2E_PIDS+=("$!")
  use "$n"
  if ! e2e_wait_window >/dev/null; then
    fail "copy $n: window appeared"
    cat "$E2E_WORK/err-$n.txt" "$E2E_WORK/out-$n.txt" >&2  # why it never came
  fi
  games[$n]=${pids[$n]}
  [ "$delay" -gt 0 ] && games[$n]=$(pgrep -P "${pids[$n]}" | head -n 1)
  E2E_PIDS+=("${games[$n]}")
}

# The helpers of common.bash act on copy $1 from here on.
use() { DISPLAY="${displays[$1]}" E2E_STATE="${states[$1]}" E2E_GAME="${pids[$1]}"; export DISPLAY; }

# Starts a game on copy $1 and holds Up for $2 seconds in it.
start_game() {
  use "$1"
  e2e_wait_scene title && e2e_wait_ticks 20
  e2e_tap space
  e2e_wait_scene game && e2e_wait_ticks 20
  e2e_hold Up "$2"
}

# Ends the game of copy $1 with p and waits for its board.
end_game() { use "$1"; e2e_tap p; e2e_wait_scene ranking; }

# Leaves copy $1's board for its title.
leave_board() {
  use "$1"
  e2e_wait_ticks 60
  e2e_tap space
  e2e_wait_state "" '[ "${GAME[scene]}" = title ] || [ "${GAME[banner]}" -le 3150 ]'
  [ "${GAME[scene]}" = ranking ] && e2e_tap space
  e2e_wait_scene title
}

# True once $1 places of the ranking have runs that agree with it.
runs_saved() { [ "$(agreeing_runs | wc -l)" -ge "$1" ]; }

# --- Two copies ending their games together, every sync a third of a second --------------------
launch_copy 0 300
launch_copy 1 300
for round in 1 2; do
  start_game 0 0.4
  start_game 1 0.$((round + 5))
  end_game 0
  end_game 1
  # Both saves queue on the lock, each with its syncs held: wait for the file to hold them both.
  check "round $round: both copies' games are ranked with their runs" e2e_until "" runs_saved $((2 * round))
  leave_board 0
  leave_board 1
done
for n in 0 1; do
  use "$n"
  e2e_hold Escape 0.3
  e2e_wait_exit "${pids[$n]}" 60
  check "copy $n ends with status 0 (got $E2E_STATUS)" test "$E2E_STATUS" = 0
  check "copy $n said nothing on stderr" test ! -s "$E2E_WORK/err-$n.txt"
done
runs_agree
check "the four games' places each have a run in step to its score" test "${runs_checked:-0}" = 4
check "no run that no place names" test -z "$(orphans)"

# --- A copy killed at each step of its save, every sync held 0.8 s -----------------------------
# A save stages its files one at a time (the ranking, the run, last.demo, the index), each synced
# while it stands under a temporary name, then renames them: kill at the k-th staged file, and last
# once the index has been renamed.
staged_count() {
  local file
  for file in "$res"/ranking.dat.new.*; do [ -e "$file" ] && seen[${file##*/}]=1; done
  [ "${#seen[@]}" -ge "$1" ]
}
index_replaced() { [ "$(stat -c %i "$res/replays/index")" != "$1" ]; }
for k in 1 2 3 4 5; do
  launch_copy 0 800
  start_game 0 0.$((k + 2))
  declare -A seen=()
  inode=$(stat -c %i "$res/replays/index")
  end_game 0
  if [ "$k" -le 4 ]; then e2e_until "" staged_count "$k"; else e2e_until "" index_replaced "$inode"; fi
  kill -9 "${games[0]}"
  e2e_wait_exit "${pids[0]}" 30
  runs_agree
  check "killed at step $k of its save: every agreeing place's run ends on its score (${runs_checked:-none} checked)" \
    test -n "${runs_checked:-}"
  runs_checked=
done

# The next save, of a copy that is not killed, clears what the kills left.
launch_copy 0 0
start_game 0 0.5
end_game 0
leave_board 0
e2e_hold Escape 0.3
e2e_wait_exit "${pids[0]}" 60
check "the last copy ends with status 0 (got $E2E_STATUS)" test "$E2E_STATUS" = 0
runs_agree
check "after the kills every agreeing place still has its run in step (${runs_checked:-0} places)" test "${runs_checked:-0}" -ge 4
check "the runs the kills left alone are gone" test -z "$(orphans)"
check "so are the kills' temporary files" test -z "$(ls "$res" | grep '^ranking.dat.new')"

# --- Left while the save waits on the disk, every sync held 8 s ---------------------------------
# Leaving waits 5 s for the save, then keeps the score, and its run, in a journal beside the
# ranking. The table starts afresh, so that the game ranks whatever it scores.
printf -- '-1 -2 -3 -4 -5 -6 -7 -8 ' >"$res/ranking.dat"
launch_copy 0 8000
start_game 0 0.5
end_game 0
left_score=${GAME[score]}
e2e_hold Escape 0.3
e2e_wait_exit "${pids[0]}" 120
check "the copy left before its save ends with status 0 (got $E2E_STATUS)" test "$E2E_STATUS" = 0
check "it says its score waits beside the ranking" grep -q "the score $left_score waits in .*ranking\.dat\.waiting\." \
  "$E2E_WORK/err-0.txt"
launch_copy 0 0
journal_merged() { ! ls "$res" | grep -q '^ranking.dat.waiting\.'; }
check "the next start merges the journal" e2e_until "" journal_merged
e2e_hold Escape 0.3
e2e_wait_exit "${pids[0]}" 60
runs_checked=
runs_agree
check "the score left waiting is ranked with its run, in step" \
  test "${runs_checked:-0} $(agreeing_runs | cut -d' ' -f2)" = "1 $left_score"
e2e_finish
