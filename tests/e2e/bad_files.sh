#!/usr/bin/env bash
# Damaged data: three pictures, one shader and the music gone, the ranking file full of rubbish.
# The game still starts, says one clear line per problem on stderr and plays a whole round to the
# board, and a held Escape leaves it from there. A missing window icon is no problem: not a word.
source "$(dirname "$0")/lib/common.bash"
source "$(dirname "$0")/lib/look.bash"

e2e_start_x 1280 720
data=$(e2e_data_copy)
cd "$data"
rm res/game/title.png res/game/finish.png res/game/RANKING.png shader/Binarization.fs res/bgm/*.mp3 \
  icons/64x64/torvinel.png
printf 'rubbish\0\377 12 x' >res/ranking.dat

e2e_launch "$E2E_BUILD/torvinel-windowed" "$E2E_WORK/out.txt" "$E2E_WORK/err.txt"
win=$(e2e_wait_window "$pid") || fail "window appeared"
check "the game starts (frame-rate line)" e2e_wait_for_text "$E2E_WORK/out.txt" 10 "fps:"
sleep 0.3
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
pic="$E2E_ARTIFACTS/bad-files-board.png"
seen=no
for _ in $(seq 1 20); do
  e2e_snap "$pic"
  e2e_above "$(e2e_gold "$pic" 480x600+780+0)" 0.08 && { seen=yes; break; }
  sleep 0.2
done
check "without its banner and title pictures the board still shows the scores" test "$seen" = yes
# Leaving from the ranking: a held Escape ends the game there too.
e2e_hold Escape 0.3
e2e_wait_exit "$pid" 10
check "held Escape on the ranking ends it with status 0 (got $E2E_STATUS)" test "$E2E_STATUS" = 0

# Everything said over start-up and one game.
err="$E2E_WORK/err.txt"
sed 's/^/  stderr: /' "$err"
for picture in title finish RANKING; do
  check "one line names the missing $picture picture" test "$(grep -c "$picture\.png" "$err")" = 1
done
check "one line names the missing shader" test "$(grep -c 'Binarization\.fs' "$err")" = 1
check "one line names the missing music" test "$(grep -c 'bgm/' "$err")" = 1
check "one line names the damaged ranking file" test "$(grep -c 'ranking\.dat' "$err")" = 1
check "and nothing else: six lines in all (got $(wc -l <"$err"))" test "$(wc -l <"$err")" = 6

e2e_finish
