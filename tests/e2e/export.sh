#!/usr/bin/env bash
# A demo's video from the outside: the shipped demo exported offscreen, one frame a tick with the
# music heard at the player's levels and a frame that matches the game's own picture of its tick;
# a damaged demo or an output that cannot be written is one line and status 1 with nothing under
# the output's name; the player's ranking and settings are never touched.
source "$(dirname "$0")/lib/common.bash"

e2e_start_x 800 600
data=$(e2e_data_copy)
cp "$E2E_BUILD/torvinel-windowed" "$data/"
game="$data/torvinel-windowed"
demo="$E2E_BUILD/demos/three-games.demo"
cd "$E2E_WORK"
printf '40 30 20 10 5 4 3 2 ' >"$data/res/ranking.dat"
settings() { printf '# Torvinel'"'"'s settings, written by the game\n[sound]\nmusic = %s\neffects = 10\nmute = %s\n\n[window]\nfullscreen = 0\nwidth = 1280\nheight = 720\n' "$1" "$2" >"$data/res/settings.ini"; }
settings 10 0
kept() { cat "$data/res/ranking.dat" "$data/res/settings.ini" | md5sum; }
before=$(kept)
# The demo's ticks, counted from 0 to its end.
ticks=$(($(sed -nE 's/^([0-9]+) end .*/\1/p' "$demo") + 1))

# Runs an export; E2E_STATUS is its status, its stderr in err.txt.
export_video() {
  "$game" --export "$@" >"$E2E_WORK/out.txt" 2>"$E2E_WORK/err.txt"
  E2E_STATUS=$?
}
# The RMS amplitude of the video's sound, from 0 to 1.
loudness() { ffmpeg -v error -i "$1" -vn -f wav - | sox -t wav - -n stat 2>&1 | awk '/^RMS +amplitude/ { print $3 }'; }
above() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }

video="$E2E_WORK/three games.webm"
export_video "$demo" "three games.webm" --size 512x512
check "the export ends with status 0 (got $E2E_STATUS)" test "$E2E_STATUS" = 0
check "its progress line counts up to every tick" grep -q "torvinel: exporting $ticks/$ticks ticks (100%)" "$E2E_WORK/err.txt"
check "the video is under the name given, relative to where the game started" test -s "$video"
check "nothing else is left beside it" test "$(ls -A "$E2E_WORK" | grep -c webm)" = 1
streams=$(ffprobe -v error -show_entries stream=codec_name,width,height -of csv=p=0 "$video" | tr '\n' ' ')
check "it is WebM with VP8 at 512x512 and Opus (got $streams)" test "$streams" = "vp8,512,512 opus "
frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 "$video")
check "one frame a tick: $frames frames for $ticks ticks" test "$frames" = "$ticks"
rate=$(ffprobe -v error -select_streams v:0 -show_entries stream=r_frame_rate -of csv=p=0 "$video")
check "at 62.5 frames a second (got $rate)" test "$rate" = 125/2
level=$(loudness "$video")
check "the music is heard (RMS amplitude $level)" above "${level:-0}" 0.05

# The game's own picture of a tick: a timedemo of the demo in a window of the video's size,
# stopped once its state has passed tick 500, in the first game. Its window then shows the last
# tick it wrote a state line for, or (its drawing not yet swapped) the one before.
e2e_launch "$game" "$E2E_WORK/td.txt" "$E2E_WORK/td-err.txt" --size 512x512 --timedemo "$demo"
win=$(e2e_wait_window "$pid") || fail "the timedemo's window appeared"
e2e_wait_state "" '[ "${GAME[tick]}" -ge 500 ]'
kill -STOP "$pid"
e2e_read_state
shown=${GAME[tick]}
import -window "$win" "$E2E_ARTIFACTS/export-game.png"
kill -CONT "$pid"
kill "$pid"
# The difference (RMSE from 0 to 1) at a quarter of the size between the game's picture and the
# video's frame of tick $1. The encoding costs about 0.04; the next tick is 0.1 away, as the
# tube scrolls and the gems fall.
difference() {
  local frame="$E2E_ARTIFACTS/export-frame-$1.png"
  ffmpeg -v error -y -i "$video" -vf "select=eq(n\,$1)" -frames:v 1 "$frame"
  convert "$E2E_ARTIFACTS/export-game.png" -resize 25% "$E2E_WORK/game-small.png"
  convert "$frame" -resize 25% "$E2E_WORK/frame-small.png"
  compare -metric RMSE "$E2E_WORK/game-small.png" "$E2E_WORK/frame-small.png" null: 2>&1 | sed -nE 's/.*\((.*)\)/\1/p'
  echo  # compare ends its figure with no line break
}
near=$( (difference "$shown"; difference $((shown - 1))) | grep . | sort -g | head -n 1)
far=$(difference $((shown + 120)) | grep .)
check "the video's frame of tick $shown (or the one before) matches the game's picture (RMSE $near)" \
  above 0.07 "${near:-1}"
check "and a frame two seconds later does not (RMSE $far)" above "${far:-0}" 0.07

settings 10 1
export_video "$demo" "$E2E_WORK/muted.webm" --size 64x64
level=$(loudness "$E2E_WORK/muted.webm")
check "muted in the settings, the video is silent (RMS amplitude $level)" test "$E2E_STATUS" = 0 -a -n "$level" \
  -a "$(awk -v l="${level:-1}" 'BEGIN { print (l < 0.001) }')" = 1
settings 10 0

# Failures: one line, status 1, and nothing under the output's name (an older file there is kept).
head -n 6 "$demo" >"$E2E_WORK/torn.demo"
printf '\n999999999999 +a\n' >>"$E2E_WORK/torn.demo"
one_line() { [ "$(wc -l <"$E2E_WORK/err.txt")" = 1 ] && grep -q "^torvinel: cannot export $1" "$E2E_WORK/err.txt"; }
export_video torn.demo "$E2E_WORK/torn.webm"
check "a damaged demo: status 1 (got $E2E_STATUS)" test "$E2E_STATUS" = 1
check "in one line naming the demo and its line" one_line 'the demo torn.demo: line [0-9]*: expected a tick number'
check "and no video" test ! -e "$E2E_WORK/torn.webm"
export_video "$demo" "$E2E_WORK/no such folder/out.webm"
check "an output that cannot be written: status 1 (got $E2E_STATUS)" test "$E2E_STATUS" = 1
check "in one line" one_line "to $E2E_WORK/no such folder/out.webm: cannot write there"
echo older >"$E2E_WORK/kept.webm"
export_video torn.demo "$E2E_WORK/kept.webm"
check "a failed export leaves a file already under the name as it was" test "$(cat "$E2E_WORK/kept.webm")" = older
check "no export left a file of its own behind" test "$(ls -A "$E2E_WORK" | grep -c '^\.')" = 0
check "the player's ranking and settings are untouched" test "$(kept)" = "$before"
e2e_finish
