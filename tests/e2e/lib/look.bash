# What the player sees: measures on screenshots taken with e2e_snap. Regions are WxH+X+Y in
# window pixels (the game window sits at 0,0 of the private screen). Source after common.bash.
# With E2E_BLANK=1 every screenshot comes out black, the screen size of the real one: then every
# check that reads the screen must fail (tests/e2e/look.sh checks the measures themselves).

# ImageMagick 7 is "magick" (its "convert" prints a stray line before -fx results); 6 is "convert".
if command -v magick >/dev/null; then
  e2e_magick() { magick "$@"; }
  e2e_compare() { magick compare "$@"; }
else
  e2e_magick() { convert "$@"; }
  e2e_compare() { compare "$@"; }
fi

# Fraction (0 to 1) of pixels in region $2 of picture $1 that pass the colour test $3 (an fx test).
# Every other pixel ($4, a sample size, for fewer) is enough for a fraction and keeps -fx quick on a
# busy machine.
e2e_fraction() { e2e_magick "$1" -crop "$2" +repage -sample "${4:-50%}" -fx "($3) ? 1 : 0" -format '%[fx:mean]' info:; }

# The same for the left and the right half of the whole picture $1, in one pass: "left right".
e2e_halves() { e2e_magick "$1" -sample 50% -fx "($2) ? 1 : 0" -crop 2x1@ +repage -format '%[fx:mean] ' info:; }

# The warm gold of the prompt, the digits and the labels; the tube is blue and the gems are red.
E2E_GOLD='r>0.6 && g>0.4 && r>b+0.2'
# The teal outline of the title picture, found nowhere else on screen.
E2E_TEAL='g>0.3 && g>=b && r<0.5'

e2e_gold() { e2e_fraction "$1" "$2" "$E2E_GOLD"; }
e2e_teal() { e2e_fraction "$1" "$2" "$E2E_TEAL"; }

# True when number $1 is above number $2. Anything else than two numbers (a measure that printed
# more, or nothing) ends the whole test with one line: no check may pass on a reading it cannot trust,
# and a "not above" must not pass on one either.
e2e_above() {
  local n
  for n in "$1" "$2"; do
    [[ "$n" =~ ^-?[0-9]+(\.[0-9]*)?([eE][-+]?[0-9]+)?$ ]] && continue
    echo "FAIL: a measure read '$n', not a number; nothing on the screen can be checked" >&2
    exit 1
  done
  awk -v a="$1" -v b="$2" 'BEGIN { exit !(a + 0 > b + 0) }'
}

# Writes the mask of the pixels of region $2 of picture $1 that pass test $4 to $3, sampled down to
# size $5 if given.
e2e_mask() { e2e_magick "$1" -crop "$2" +repage -sample "${5:-100%}" -fx "($4) ? 1 : 0" "$3" >/dev/null; }

# Number of pixels in which two masks differ (ImageMagick prints the count on stderr).
e2e_mask_diff() { e2e_compare -metric AE "$1" "$2" null: 2>&1 | awk '{ print int($1) }'; }

# Builds the close-button helper once per run (a WM_DELETE_WINDOW message, as a window manager
# sends) and prints its path.
e2e_close_tool() {
  local tool="$E2E_WORK/close_window"
  [ -x "$tool" ] || cc -o "$tool" "$(dirname "${BASH_SOURCE[0]}")/close_window.c" -lX11 || return 1
  echo "$tool"
}

# A screenshot of the whole screen (or of the region $2 only) into $1; stored without compression,
# which on a busy machine is many times quicker than a compressed PNG. Black with E2E_BLANK=1.
e2e_snap() {
  import -window root ${2:+-crop "$2"} -quality 1 "$1" 2>/dev/null || return
  [ -z "${E2E_BLANK:-}" ] || e2e_magick "$1" -fill black -colorize 100 -quality 1 "$1"
}

# The dark band behind the finish banner's letters; the tube is a lighter blue.
E2E_DARK='r<0.12 && g<0.12 && b<0.2'

# The icon sizes window $1 shows in docks and switchers, "48x48 64x64 128x128", once it shows any:
# the game names its window and gives it the icon just after the window first appears. Empty after
# ten seconds without.
e2e_window_icons() {
  local sizes="" _
  for _ in $(seq 1 100); do
    sizes=$(xprop -id "$1" _NET_WM_ICON 2>/dev/null | grep -o 'Icon ([0-9]* x [0-9]*)' | tr -d '() ' | sed 's/^Icon//' | paste -sd ' ')
    [ -n "$sizes" ] && break
    sleep 0.1
  done
  echo "$sizes"
}
