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

# Each key comes once the game has done what the one before asked (its state lines say so); the
# pauses between them are counted in the game's ticks.
e2e_launch "$game" "$E2E_WORK/out.txt" "$E2E_WORK/err.txt" --record "short run.demo"
win=$(e2e_wait_window "$pid") || fail "window appeared"
e2e_wait_scene title && e2e_wait_ticks 60
e2e_tap space
e2e_wait_scene game && e2e_wait_ticks 25
e2e_hold Up 0.5
e2e_hold Left 0.6
e2e_hold d 0.4
e2e_wait_ticks 30
e2e_tap p
# Space early in the banner cuts it short; once past its first 45 ticks Space leaves for the title.
e2e_wait_scene ranking && e2e_wait_ticks 30
e2e_tap space
e2e_wait_state "" '[ "${GAME[scene]}" = title ] || [ "${GAME[banner]}" -le 3150 ]'
[ "${GAME[scene]}" = ranking ] && e2e_tap space
e2e_wait_scene title && e2e_wait_ticks 30
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
# The change must be there, in one check line, or the rest proves nothing.
sed -E '0,/ check game /s/ score=([0-9]+) / score=1\1 /' "$demo" >"$E2E_WORK/drift.demo"
changed=$(diff "$demo" "$E2E_WORK/drift.demo" | grep '^>')
drift_tick=$(sed -nE 's/^> ([0-9]+) check game .* score=1[0-9]+ .*/\1/p' <<<"$changed")
check "the drifted demo differs from the recording in one check line (at tick ${drift_tick:-none})" \
  test -n "$drift_tick" -a "$(grep -c . <<<"$changed")" = 1
"$game" --timedemo "$E2E_WORK/drift.demo" >"$E2E_WORK/td.txt" 2>"$E2E_WORK/td-err.txt"
E2E_STATUS=$?
check "a drifted demo ends the timedemo with status 3 (got $E2E_STATUS)" test "$E2E_STATUS" = 3
check "one line says at which tick and in which scene" \
  grep -Eqx "torvinel: demo .*drift.demo went out of step at tick ${drift_tick:-none} in the game scene: score is ([0-9]+), the recording says 1\1" "$E2E_WORK/td-err.txt"

head -n 6 "$demo" >"$E2E_WORK/torn.demo"
printf '\n999999999999 +a\n' >>"$E2E_WORK/torn.demo"
"$game" --play "$E2E_WORK/torn.demo" >/dev/null 2>"$E2E_WORK/bad-err.txt"
E2E_STATUS=$?
check "a damaged demo is refused with status 1 (got $E2E_STATUS)" test "$E2E_STATUS" = 1
check "in one line naming the file and the line" \
  bash -c "[ \$(wc -l <'$E2E_WORK/bad-err.txt') = 1 ] && grep -q 'cannot play the demo .*torn.demo: line [0-9]*: expected a tick number' '$E2E_WORK/bad-err.txt'"
e2e_finish
