#!/usr/bin/env bash
# Demos from the outside: a short run played through the window with xdotool and recorded, played
# back with --timedemo at the window size it was recorded at and full screen at another size, in
# step both times with the same scores and ranking, and the player's own ranking left alone. A
# damaged demo is one line and status 1.
source "$(dirname "$0")/lib/common.bash"
source "$(dirname "$0")/lib/look.bash"

e2e_start_x 1600 1000
data=$(e2e_data_copy)
# The games play from a copy beside their data, started from another folder with the demo named
# relative to it: the game moves into its data folder before it writes the demo.
cp "$E2E_BUILD/torvinel-windowed" "$E2E_BUILD/torvinel" "$data/"
game="$data/torvinel-windowed"
cd "$E2E_WORK"
demo="$E2E_WORK/short run.demo"
printf '40 30 20 10 5 4 3 2 ' >"$data/res/ranking.dat"

"$game" --record "short run.demo" >"$E2E_WORK/out.txt" 2>"$E2E_WORK/err.txt" &
pid=$!
E2E_PIDS+=("$pid")
win=$(e2e_wait_window "$pid") || fail "window appeared"
sleep 1
e2e_tap space
sleep 0.4
e2e_hold Up 0.5
e2e_hold Left 0.6
e2e_hold d 0.4
sleep 0.5
e2e_tap p
sleep 0.6
e2e_tap space
sleep 0.8
e2e_tap space
sleep 0.5
e2e_hold Escape 0.3
e2e_wait_exit "$pid" 10
check "the recording game ends with status 0 (got $E2E_STATUS)" test "$E2E_STATUS" = 0
check "the demo is where --record named it, relative to where the game started" test -f "$demo"
check "it starts with its format line" test "$(head -n 1 "$demo")" = "torvinel-demo 2"
check "it holds the ranking as the game started with it" grep -qx 'table 40 30 20 10 5 4 3 2' "$demo"
check "it saw a game, the ranking and the title again" \
  bash -c "grep -q ' check game ' '$demo' && grep -q ' check ranking ' '$demo' && grep -q ' check title ' '$demo'"
check "only changes of the keys are written" test "$(grep -cE '^[0-9]+ [+-]' "$demo")" -lt 40
check "nothing on stderr while recording" test ! -s "$E2E_WORK/err.txt"
ranking_before=$(cat "$data/res/ranking.dat")

timedemo() {
  "$@" --timedemo "$demo" >"$E2E_WORK/td.txt" 2>"$E2E_WORK/td-err.txt"
  E2E_STATUS=$?
  cat "$E2E_WORK/td.txt"
}
timedemo "$game"
check "timedemo at the recording's size ends with status 0 (got $E2E_STATUS)" test "$E2E_STATUS" = 0
check "it prints one summary line, in step" grep -Eq '^timedemo .*: [0-9]+ ticks in .* ticks/s; ms per frame: median .*; in step$' "$E2E_WORK/td.txt"
timedemo "$data/torvinel"
check "timedemo full screen at 1600x1000 ends with status 0 (got $E2E_STATUS)" test "$E2E_STATUS" = 0
check "in step there too" grep -q 'in step$' "$E2E_WORK/td.txt"
check "playback left the player's ranking alone" test "$(cat "$data/res/ranking.dat")" = "$ranking_before"

# A demo that drifts: a changed check is found, said once, and the timedemo ends with status 3.
sed -E '0,/ check game /s/ score=([0-9]+) / score=1\1 /' "$demo" >"$E2E_WORK/drift.demo"
check "the drifted demo differs from the recording" bash -c '! cmp -s "$0" "$1"' "$demo" "$E2E_WORK/drift.demo"
"$game" --timedemo "$E2E_WORK/drift.demo" >"$E2E_WORK/td.txt" 2>"$E2E_WORK/td-err.txt"
E2E_STATUS=$?
check "a drifted demo ends the timedemo with status 3 (got $E2E_STATUS)" test "$E2E_STATUS" = 3
check "one line says at which tick and in which scene" \
  grep -Eqx "torvinel: demo .*drift.demo went out of step at tick [0-9]+ in the game scene: score is ([0-9]+), the recording says 1\1" "$E2E_WORK/td-err.txt"

head -n 6 "$demo" >"$E2E_WORK/torn.demo"
printf '\n999999999999 +a\n' >>"$E2E_WORK/torn.demo"
"$game" --play "$E2E_WORK/torn.demo" >/dev/null 2>"$E2E_WORK/bad-err.txt"
E2E_STATUS=$?
check "a damaged demo is refused with status 1 (got $E2E_STATUS)" test "$E2E_STATUS" = 1
check "in one line naming the file and the line" \
  bash -c "[ \$(wc -l <'$E2E_WORK/bad-err.txt') = 1 ] && grep -q 'cannot play the demo .*torn.demo: line [0-9]*: expected a tick number' '$E2E_WORK/bad-err.txt'"
e2e_finish
