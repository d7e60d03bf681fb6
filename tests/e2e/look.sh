#!/usr/bin/env bash
# The screen measures every other end-to-end test reads (lib/look.bash), with whichever ImageMagick
# this release has: on a picture whose answers are known each prints one plain number, the right one;
# on a blank screenshot of a real screen nothing the game draws is found, so every check that looks
# for it fails; and a reading that is not a number ends a test rather than passing a check.
source "$(dirname "$0")/lib/common.bash"
source "$(dirname "$0")/lib/look.bash"
echo "$(e2e_magick -version | head -n 1)"

half() { local both; both=($(e2e_halves "$2" "$3")); echo "${both[$1]}"; }
not_above() { ! e2e_above "$1" "$2"; }
# Exactly the number $2 (as numbers: 0.50 is 0.5), and nothing else on any line.
reads() { [[ "$1" =~ ^-?[0-9.]+$ ]] && awk -v a="$1" -v b="$2" 'BEGIN { exit !(a + 0 == b + 0) }'; }

# 640x360: the prompt's gold over the left quarter, the title's teal over the top right quarter.
known="$E2E_WORK/known.png"
e2e_magick -size 640x360 xc:black -fill 'rgb(235,170,40)' -draw 'rectangle 0,0 159,359' \
  -fill 'rgb(30,150,120)' -draw 'rectangle 320,0 639,179' "$known"
whole=640x360+0+0
# Each: what is measured, then what it must read.
while IFS='|' read -r what measure expect; do
  got=$(eval "$measure" 2>&1)
  check "$what reads $expect (got '$got')" reads "$got" "$expect"
done <<'TABLE'
gold over the whole picture|e2e_gold "$known" $whole|0.25
gold where there is only teal|e2e_gold "$known" 320x180+320+0|0
teal in its own quarter|e2e_teal "$known" 320x180+320+0|1
teal over the whole picture, every fourth pixel|e2e_fraction "$known" $whole "$E2E_TEAL" 25%|0.25
gold in the left half|half 0 "$known" "$E2E_GOLD"|0.5
gold in the right half|half 1 "$known" "$E2E_GOLD"|0
pixels of the gold mask unlike a mask of nothing (a quarter of 160x90)|e2e_mask "$known" $whole "$E2E_WORK/gold.png" "$E2E_GOLD" 25% && e2e_mask "$known" $whole "$E2E_WORK/none.png" 0 25% && e2e_mask_diff "$E2E_WORK/gold.png" "$E2E_WORK/none.png"|3600
TABLE

# Blank screenshots through the real path: an empty screen (X's grey weave) and, with E2E_BLANK,
# the same made black. No colour the game draws is there, so no "above" check can pass.
e2e_start_x 640 360
for blank in "" 1; do
  pic="$E2E_WORK/blank$blank.png"
  E2E_BLANK=$blank e2e_snap "$pic"
  for colour in GOLD TEAL; do
    test="E2E_$colour"
    got=$(e2e_fraction "$pic" $whole "${!test}")
    check "a blank screenshot${blank:+ (E2E_BLANK)} holds no $colour (got '$got')" reads "$got" 0
    check "so no check that it is there passes" not_above "$got" 0
  done
done
check "E2E_BLANK makes the screenshot black, the screen's size" \
  test "$(e2e_magick "$E2E_WORK/blank1.png" -format '%wx%h %[fx:maxima]' info:)" = "640x360 0"

# Readings that are not a number (ImageMagick 7's convert once put a line before -fx's answer, which
# compared as text was "above" any threshold) end the test, whichever way the check asks.
for reading in $'list\n0.5' "" "0.5 0.2" "WARNING"; do
  (e2e_above "$reading" 0.05) 2>"$E2E_WORK/above.err"
  above=$?
  (! e2e_above "$reading" 0.05) 2>/dev/null
  below=$?
  check "reading '${reading//$'\n'/\\n}': the test ends either way (status $above, $below) naming it" \
    test "$above" = 1 -a "$below" = 1 -a -n "$(grep -F 'not a number' "$E2E_WORK/above.err")"
done

e2e_finish
