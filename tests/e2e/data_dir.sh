#!/usr/bin/env bash
# Started from some other working directory, the game finds its files beside the executable and
# keeps its ranking there; started inside a folder with its own files, it uses those.
source "$(dirname "$0")/lib/common.bash"

e2e_start_x 1280 720
install=$(e2e_data_copy install)
cp "$E2E_BUILD/torvinel-windowed" "$install/"
elsewhere="$E2E_WORK/elsewhere"
mkdir -p "$elsewhere"

# One round from the empty folder: title, Space, p. The ranking appears beside the executable.
cd "$elsewhere"
e2e_launch "$install/torvinel-windowed" "$E2E_WORK/out.txt" "$E2E_WORK/err.txt"
win=$(e2e_wait_window "$pid") || fail "window appeared"
check "the game runs from another folder (frame-rate line)" e2e_wait_for_text "$E2E_WORK/out.txt" 10 "fps:"
sleep 1
e2e_shot data-dir-title
e2e_hold space 0.15
sleep 0.5
e2e_hold p 0.15
check "the ranking is kept beside the executable" e2e_wait_for_text "$install/res/ranking.dat" 10 " "
check "and holds eight numbers in the '%d ' form" grep -Eq '^(-?[0-9]+ ){8}$' "$install/res/ranking.dat"
check "nothing is written to the working directory" test -z "$(ls -A "$elsewhere")"
check "no file was missing (stderr is empty)" test ! -s "$E2E_WORK/err.txt"
[ -s "$E2E_WORK/err.txt" ] && sed 's/^/  stderr: /' "$E2E_WORK/err.txt"
e2e_hold Escape 0.3
e2e_wait_exit "$pid" 10
check "held Escape ends it with status 0 (got $E2E_STATUS)" test "$E2E_STATUS" = 0

# A working directory with game files of its own wins over the folder of the executable.
own=$(e2e_data_copy own)
cd "$own"
rm -f "$install/res/ranking.dat"
e2e_launch "$install/torvinel-windowed" "$E2E_WORK/out2.txt" "$E2E_WORK/err2.txt"
win=$(e2e_wait_window "$pid") || fail "second window appeared"
e2e_wait_for_text "$E2E_WORK/out2.txt" 10 "fps:"
sleep 0.5
e2e_hold space 0.15
sleep 0.5
e2e_hold p 0.15
check "with files in the working directory the ranking is kept there" \
  e2e_wait_for_text "$own/res/ranking.dat" 10 " "
check "and not beside the executable" test ! -e "$install/res/ranking.dat"
e2e_hold Escape 0.3
e2e_wait_exit "$pid" 10
check "held Escape ends it with status 0 (got $E2E_STATUS)" test "$E2E_STATUS" = 0

e2e_finish
