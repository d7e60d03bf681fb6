#!/usr/bin/env bash
# Two full rounds as a player plays them: the title over the tube, a game with the time counting
# down, p, the ranking file, Space back to the title; then a game that cuts gems and runs out of
# time by itself, its score going into the board by the ranking rule, the finish banner, the board,
# and Space back to the title. Screenshots of each scene go to e2e-artifacts. Each step waits on
# what the game says it did (its state lines), never on the clock.
source "$(dirname "$0")/lib/common.bash"
source "$(dirname "$0")/lib/look.bash"

e2e_start_x 1280 720
data=$(e2e_data_copy)
cd "$data"
shots="$E2E_ARTIFACTS/cycle"
mkdir -p "$shots"
shot() { e2e_snap "$shots/$1.png"; echo "$shots/$1.png"; }

# Regions of the 1280x720 window.
TITLE=800x240+240+100
PROMPT=480x80+400+615
TIME=576x100+704+85
# The middle of the finish banner's band, below the score and above the board's second row.
BANNER=1280x50+0+165
BOARD=480x600+780+0
# One digit cell of the score (its first 0) and of the time display (hundreds, tens, seconds).
SCORE_0=72x96+162+90
TIME_D1=72x96+776+90
TIME_D2=72x96+848+90
TIME_D3=72x96+920+90

ranking_ok() { grep -Eq '^(-?[0-9]+ ){8}$' res/ranking.dat; }

title_shown() {
  local pic
  pic=$(shot "$1")
  e2e_above "$(e2e_teal "$pic" "$TITLE")" 0.02 && e2e_above "$(e2e_gold "$pic" "$PROMPT")" 0.05
}

board_shown() {
  local pic
  pic=$(shot "$1")
  e2e_above "$(e2e_gold "$pic" "$BOARD")" 0.08 && e2e_above "$(e2e_gold "$pic" "$PROMPT")" 0.04
}

# Polls screenshots until test $1 (a function taking a shot name $3) passes, for up to $2 seconds
# (E2E_WAIT when empty).
poll_shots() { e2e_until "$2" "$1" "$3"; }

# The ticks of the game that wrote the state since byte $1 that read key $2, in scene $3.
ticks_reading() { e2e_since "$1" "k ~ /,$2,/ && v[\"scene\"] == \"$3\""; }

export TORVINEL_PROFILE="$E2E_WORK/profile.log" TORVINEL_PROFILE_GL=1
launched=$EPOCHREALTIME
e2e_launch "$E2E_BUILD/torvinel-windowed" "$E2E_WORK/out.txt" "$E2E_WORK/err.txt"
win=$(e2e_wait_window "$pid") || { fail "game window appeared"; e2e_finish; exit 1; }

# --- Title ------------------------------------------------------------------------------------
check "title picture and press-space prompt on screen" poll_shots title_shown "" title
echo "note: the title showed $(awk -v s="$launched" -v n="$EPOCHREALTIME" 'BEGIN { printf "%.1f", n - s }') s after launch"
pic=$(shot title)
check "the tube fills the screen behind the title" \
  e2e_above "$(e2e_fraction "$pic" 1280x720+0+0 'b>r+0.15 && b>g' 25%)" 0.5
# The field starts empty: on a slow machine the first gems may not have fallen into view yet.
gems_shown() {
  e2e_above "$(e2e_fraction "$(shot "$1")" 1280x720+0+0 'r>0.45 && g<0.25 && b<0.3' 25%)" 0.0001
}
check "red gems are in the tube" poll_shots gems_shown "" gems
e2e_wait_ticks 30
pic2=$(shot title-later)
check "the title picture moves underneath (the gems fall, the tube scrolls)" \
  e2e_above "$(compare -metric AE -fuzz 10% "$pic" "$pic2" null: 2>&1 | awk '{print int($1)}')" 1000

# --- First game: ended at once with p, its banner cut short with Space ---------------------------
# Space let go at once, before any tick could read it down, still starts the game.
mark=$(e2e_state_mark)
e2e_quick_tap space
check "a tap of Space shorter than a tick starts a game" e2e_wait_scene game
check "the title read that Space down at one tick ($(ticks_reading "$mark" space title))" \
  test "$(ticks_reading "$mark" space title)" = 1
e2e_wait_ticks
# The game's first shot, once the title and its prompt are gone: a gem passing in front of the
# prompt's place can light it like lettering, so shots are taken until one is clear of it.
title_gone() {
  g0=$(shot "$1")
  e2e_above "$(e2e_gold "$g0" "$TIME")" 0.04 && e2e_above 0.005 "$(e2e_teal "$g0" "$TITLE")" &&
    e2e_above 0.005 "$(e2e_gold "$g0" "$PROMPT")"
}
check "the title and the prompt are gone" poll_shots title_gone "" game-start
e2e_tap p
check "p ends the game" e2e_wait_scene ranking
s1=${GAME[score]}
# Past the banner's first 45 ticks (it counts down from 3200) a press of Space leaves the ranking
# at once; the board shows from 3050 down. The pictures are looked at after this, so that the
# looking cannot make the press late.
e2e_wait_state "" '[ "${GAME[banner]}" -le 3150 ]'
mark=$(e2e_state_mark)
e2e_tap space
check "Space during the banner returns to the title" poll_shots title_shown "" title-again
check "and the ranking read it while the banner ran" \
  test "$(e2e_since "$mark" 'k ~ /,space,/ && v["scene"] == "ranking" && v["banner"] + 45 > 3050')" -ge 1

# What the first game showed, and what it saved.
check "the time display is drawn top right" e2e_above "$(e2e_gold "$g0" "$TIME")" 0.04
# The bright fill of the digits only: their edges blend with whatever gem lies behind them.
DIGIT='r>0.8 && g>0.6 && r>b+0.2'
for cell in SCORE_0 TIME_D1 TIME_D2 TIME_D3; do e2e_mask "$g0" "${!cell}" "$E2E_WORK/$cell.png" "$DIGIT"; done
# The score's 0 is drawn (a blank cell would match any other blank cell), and so are these cells.
zero_in() {
  e2e_above "$(e2e_magick "$E2E_WORK/SCORE_0.png" -format '%[fx:mean]' info:)" 0.05 || return
  for cell; do test "$(e2e_mask_diff "$E2E_WORK/SCORE_0.png" "$E2E_WORK/$cell.png")" -lt 150 || return; done
}
check "the time reads 00x.x: its first two digits are the score's 0" zero_in TIME_D1 TIME_D2
check "and its seconds digit is not 0 at the start (006.0 or just below)" \
  test "$(e2e_mask_diff "$E2E_WORK/SCORE_0.png" "$E2E_WORK/TIME_D3.png")" -ge 300
# The board's table as the rule makes it of table $1 and score $2, as the file writes it.
ranked() {
  awk -v s="$2" '{ for (i = 1; i <= 8; i++) { if (!done && s > $i) { t[++k] = s; done = 1 } if (k < 8) t[++k] = $i }
    for (i = 1; i <= 8; i++) printf "%s ", t[i] }' <<<"$1"
}
saved_as() { [ "$(cat res/ranking.dat 2>/dev/null)" = "$1" ]; }
first=$(ranked "0 0 0 0 0 0 0 0" "$s1")
check "the first game's score ($s1) is saved at the head of a fresh board with zeros below" e2e_until "" saved_as "$first"
check "the ranking file holds eight numbers in the '%d ' form" ranking_ok

# --- Second game: the blade turned, the view turned, then left to run out of time ----------------
e2e_tap space
e2e_wait_scene game
e2e_wait_ticks
g1=$(shot game-play)
# d held until the blade has turned a quarter of the way round (it turns 5 degrees a tick).
e2e_press d
e2e_wait_state "" '[ "${GAME[blade]%%/*}" -ge 90 ]'
e2e_release d
e2e_wait_ticks
g2=$(shot game-blade-turned)
# Two pictures with the view turning under the right arrow, to look at: the rings tilt and slide
# sideways (the tube scrolls all the while, so no simple pixel count tells turning apart).
e2e_press Right
e2e_wait_ticks 12
shot view-turning-1 >/dev/null
e2e_wait_ticks 19
shot view-turning-2 >/dev/null
e2e_release Right
# The game runs out of time by itself: 360 ticks and 40 more for each gem cut.
check "the second game ends by itself" e2e_wait_scene ranking 1200
s2=${GAME[score]}
# The banner: shots while it runs (by the game's count), looked at afterwards, so the looking cannot
# slow the sampling.
n=0
while e2e_read_state && [ "${GAME[scene]}" = ranking ] && [ "${GAME[banner]}" -gt 3050 ]; do
  e2e_snap "$shots/banner-$((n += 1)).png" "$BANNER"
done
PINK='r>0.8 && g>0.3 && g<0.65 && b>0.35 && b<0.7'
e2e_mask "$g1" 640x500+320+200 "$E2E_WORK/b1.png" "$PINK" 25%
e2e_mask "$g2" 640x500+320+200 "$E2E_WORK/b2.png" "$PINK" 25%
check "the blade is drawn in front of the camera" e2e_above "$(convert "$E2E_WORK/b1.png" -format '%[fx:mean]' info:)" 0.02
check "holding d turns the blade" test "$(e2e_mask_diff "$E2E_WORK/b1.png" "$E2E_WORK/b2.png")" -gt 125
# Gems cut on the way depend on where they happen to fall; the rule holds either way.
second=$(ranked "$first" "$s2")
check "the second score ($s2) is saved into the board by the ranking rule ($first-> $second)" \
  e2e_until "" saved_as "$second"
[ "$s2" -gt "$s1" ] || echo "note: the second game ($s2) did not outscore the first ($s1) this time"
banner_right=no banner_left=no
for i in $(seq 1 "$n"); do
  read -r l r < <(e2e_halves "$shots/banner-$i.png" "$E2E_DARK")
  if e2e_above "$r" 0.05 && ! e2e_above "$l" 0.02; then banner_right=yes; fi
  if [ "$banner_right" = yes ] && e2e_above "$l" 0.05 && ! e2e_above "$r" 0.02; then banner_left=yes; break; fi
done
# Keep a few of the banner pictures; the rest only fill the disk.
find "$shots" -name 'banner-*.png' ! -name 'banner-[1-4].png' -delete
check "the finish banner enters on the right ($n shots)" test "$banner_right" = yes
check "and crosses to the left" test "$banner_left" = yes
check "then the board with the prompt is shown" poll_shots board_shown "" board
e2e_tap space
check "Space returns to the title once more" poll_shots title_shown "" title-third

# Nothing leaks from one round to the next: the same live textures and programs each time the
# title comes back (counted by the game's own profile log).
e2e_hold Escape 0.3
e2e_wait_exit "$pid" 10
check "held Escape on the title ends the game with status 0 (got $E2E_STATUS)" test "$E2E_STATUS" = 0
counts=$(awk '/^switch .* TitleScene/ { want = 1; next } want && /^objects/ { print $3 "/" $4; want = 0 }' \
  "$E2E_WORK/profile.log" | sort -u)
first_counts=$(awk '/^objects/ { print $3 "/" $4; exit }' "$E2E_WORK/profile.log")
check "live GL textures/programs at start ($first_counts) and after each round (${counts//$'\n'/, }) agree" \
  test -n "$counts" -a "$counts" = "$first_counts"
check "nothing on stderr in a normal run" test ! -s "$E2E_WORK/err.txt"
# A frame-rate line comes at the first tick that ends more than a second after the last one: over
# the run (D ms of ticks, the longest from one tick to the next G ms) between D / (1000 + G) and
# D / 1000 of them, however fast the machine.
fps=$(tr '\r' '\n' <"$E2E_WORK/out.txt" | grep -c '^fps:')
read -r span gap < <(awk '/^tick / { if (n++) { g = $3 - last; if (g > gap) gap = g } else first = $3; last = $3 }
  END { printf "%d %d\n", last - first, gap }' "$E2E_WORK/profile.log")
check "about one fps line a second on stdout ($fps over $span ms of ticks, the longest $gap ms apart)" \
  awk -v n="$fps" -v d="$span" -v g="$gap" 'BEGIN { exit !(n >= d / (1000 + g) - 1 && n <= d / 1000 + 2) }'
[ -s "$E2E_WORK/err.txt" ] && sed 's/^/  stderr: /' "$E2E_WORK/err.txt"

e2e_finish
