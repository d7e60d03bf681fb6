#!/usr/bin/env bash
# Damaged data: one picture, one shader and the music gone, the ranking file full of rubbish.
# The game still starts, says one clear line per problem on stderr and plays a whole round.
source "$(dirname "$0")/lib/common.bash"
source "$(dirname "$0")/lib/look.bash"

e2e_start_x 1280 720
data=$(e2e_data_copy)
cd "$data"
rm res/game/title.png shader/Binarization.fs res/bgm/*.mp3
printf 'rubbish\0\377 12 x' >res/ranking.dat

e2e_launch "$E2E_BUILD/torvinel-windowed" "$E2E_WORK/out.txt" "$E2E_WORK/err.txt"
win=$(e2e_wait_window "$pid") || fail "window appeared"
check "the game starts (frame-rate line)" e2e_wait_for_text "$E2E_WORK/out.txt" 10 "fps:"
sleep 1
pic="$E2E_ARTIFACTS/bad-files-title.png"
e2e_snap "$pic"
check "the prompt is on screen without the title picture" e2e_above "$(e2e_gold "$pic" 480x80+400+615)" 0.05
e2e_tap space
sleep 0.5
pic="$E2E_ARTIFACTS/bad-files-game.png"
e2e_snap "$pic"
check "a game runs: the time display is drawn" e2e_above "$(e2e_gold "$pic" 576x100+704+85)" 0.04
e2e_tap p
check "p ends it and the ranking is written again" \
  e2e_wait_for_text res/ranking.dat 10 " "
sleep 0.3
check "the rubbish is replaced by eight numbers in the '%d ' form" grep -Eq '^(-?[0-9]+ ){8}$' res/ranking.dat
# Everything said in the first round: start-up and one game.
cp "$E2E_WORK/err.txt" "$E2E_WORK/err-first.txt"
# Back to the title, which loads everything again.
sleep 3
e2e_tap space
sleep 1
e2e_hold Escape 0.3
e2e_wait_exit "$pid" 10
check "held Escape ends it with status 0 (got $E2E_STATUS)" test "$E2E_STATUS" = 0

err="$E2E_WORK/err-first.txt"
sed 's/^/  stderr: /' "$err"
check "one line names the missing picture" test "$(grep -c 'title\.png' "$err")" = 1
check "one line names the missing shader" test "$(grep -c 'Binarization\.fs' "$err")" = 1
check "one line names the missing music" test "$(grep -c 'bgm/' "$err")" = 1
check "one line names the damaged ranking file" test "$(grep -c 'ranking\.dat' "$err")" = 1
check "and nothing else: four lines in all (got $(wc -l <"$err"))" test "$(wc -l <"$err")" = 4

# Each later visit to the title loads the pictures and shaders again and says so again.
echo "note: the return to the title added $(($(wc -l <"$E2E_WORK/err.txt") - $(wc -l <"$err"))) more lines"

e2e_finish
