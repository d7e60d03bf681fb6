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
check "the game starts (frame-rate line)" e2e_wait_for_text "$E2E_WORK/out.txt" "$E2E_WAIT" "fps:"
# Screenshots until region $2 of the screen is gold enough ($3), for up to E2E_WAIT seconds; the
# last one is kept as $1.
gold_shot() { e2e_snap "$1" && e2e_above "$(e2e_gold "$1" "$2")" "$3"; }
gold_shown() { e2e_until "" gold_shot "$E2E_ARTIFACTS/$1.png" "$2" "$3"; }
e2e_wait_scene title && e2e_wait_ticks
check "the prompt is on screen without the title picture" gold_shown bad-files-title 480x80+400+615 0.05
e2e_tap space
e2e_wait_scene game && e2e_wait_ticks
check "a game runs: the time display is drawn" gold_shown bad-files-game 576x100+704+85 0.04
e2e_tap p
check "p ends it and the ranking is written again" \
  e2e_wait_for_text res/ranking.dat "$E2E_WAIT" " "
check "the rubbish is replaced by eight numbers in the '%d ' form" \
  e2e_wait_for_text res/ranking.dat "$E2E_WAIT" '^\(-\?[0-9]\+ \)\{8\}$'
check "without its banner and title pictures the board still shows the scores" \
  gold_shown bad-files-board 480x600+780+0 0.08
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
