# Shared helpers for the end-to-end scripts: a private X server, a private copy of the game's data
# folder, and waits on what the game did. Source it; then call e2e_start_x WIDTH HEIGHT.
#
# Nothing here waits on the clock alone: a game started with e2e_launch writes a line a tick
# (TORVINEL_STATE: the tick, the scene and its figures, the keys the scenes read), and the waits
# below read it, each with a generous timeout, so a slow or busy machine only makes them longer.
# Keys are held for a number of the game's own ticks.
set -u

E2E_BUILD="${1:?usage: script.sh BUILD_DIR}"
E2E_WORK=$(mktemp -d /tmp/torvinel-e2e.XXXXXX)
E2E_FAILS=0
E2E_PASSES=0
E2E_PIDS=()
E2E_XPIDS=()
E2E_LAUNCHES=0
# Seconds any wait on the game gives up after: far beyond what a busy machine needs.
E2E_WAIT="${E2E_WAIT:-180}"
declare -gA GAME=()
E2E_ARTIFACTS="${E2E_ARTIFACTS:-$E2E_BUILD/e2e-artifacts}"
mkdir -p "$E2E_ARTIFACTS"
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"

e2e_cleanup() {
  # Never stopped halfway, even under set -e: a game that has already ended is no error.
  set +e
  for pid in "${E2E_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${E2E_XPIDS[@]}"; do kill "$pid" 2>/dev/null; done
  # What the games did, tick by tick, for whoever looks into a failure.
  if [ "$E2E_FAILS" -gt 0 ]; then
    for f in "$E2E_WORK"/state-*.txt; do
      [ -f "$f" ] && cp "$f" "$E2E_ARTIFACTS/$(basename "$0" .sh)-${f##*/}"
    done
  fi
  # A test may leave a read-only tree behind.
  chmod -R u+w "$E2E_WORK" 2>/dev/null
  rm -rf "$E2E_WORK"
}
trap e2e_cleanup EXIT

# Runs command $2... every tenth of a second until it succeeds, for up to $1 seconds (E2E_WAIT
# when empty or shorter): a deadline, however long each try takes on a busy machine.
e2e_until() {
  local seconds="${1:-$E2E_WAIT}" until
  [ "$seconds" -lt "$E2E_WAIT" ] && seconds=$E2E_WAIT
  until=$((SECONDS + seconds))
  shift
  until "$@"; do
    [ "$SECONDS" -ge "$until" ] && return 1
    sleep 0.1
  done
}

ok() { E2E_PASSES=$((E2E_PASSES + 1)); echo "ok: $*"; }
fail() { E2E_FAILS=$((E2E_FAILS + 1)); echo "FAIL: $*"; }
check() { local what="$1"; shift; if "$@"; then ok "$what"; else fail "$what"; fi; }

# Starts Xvfb with a screen of the given size and exports DISPLAY. The server picks a free display
# itself, so scripts started together never share one.
e2e_start_x() {
  local width="$1" height="$2" number
  number=$(mktemp "$E2E_WORK/display.XXXXXX")
  Xvfb -displayfd 3 -screen 0 "${width}x${height}x24" -nolisten tcp 3>"$number" >/dev/null 2>&1 &
  E2E_XPID=$!
  E2E_XPIDS+=("$E2E_XPID")
  x_up() { [ -s "$number" ] || ! kill -0 "$E2E_XPID" 2>/dev/null; }
  if e2e_until "" x_up && [ -s "$number" ]; then
    export DISPLAY=":$(head -n 1 "$number")"
    xdpyinfo >/dev/null 2>&1 && return 0
  fi
  echo "could not start Xvfb" >&2
  exit 1
}

# Copies the game's data folder so the player's own ranking and settings are never touched.
e2e_data_copy() {
  local dir="$E2E_WORK/${1:-data}"
  mkdir -p "$dir"
  cp -r "$E2E_BUILD/res" "$E2E_BUILD/shader" "$E2E_BUILD/icons" "$dir/"
  rm -f "$dir/res/ranking.dat" "$dir/res/settings.ini"
  echo "$dir"
}

# Starts a game executable in the background with its stdout and stderr in the given files and
# any further arguments; sets pid and makes sure the game is stopped when the script ends. Its state
# lines go to E2E_STATE, which the waits below read; with E2E_NO_STATE=1 (for a benchmark, which
# must time the game alone) it writes none.
e2e_launch() {
  E2E_LAUNCHES=$((E2E_LAUNCHES + 1))
  E2E_STATE="$E2E_WORK/state-$E2E_LAUNCHES.txt"
  E2E_OUT="$2"
  local state="$E2E_STATE"
  if [ "${E2E_NO_STATE:-}" = 1 ]; then state=""; else : >"$E2E_STATE"; fi
  TORVINEL_STATE="$state" "$1" "${@:4}" >"$2" 2>"$3" &
  pid=$!
  E2E_GAME=$pid
  E2E_PIDS+=("$pid")
}

# Starts openbox on this display and waits until it offers full screen (GLUT asks for full screen
# the window manager's way only if the manager says it does). One that ends before it is ready is
# started again, with a note of what it said: a busy machine once saw it never come up.
e2e_start_openbox() {
  local log="$E2E_WORK/openbox-$RANDOM.log" wm
  start_wm() { openbox --sm-disable >>"$log" 2>&1 & wm=$!; E2E_PIDS+=("$wm"); }
  wm_ready() {
    xprop -root _NET_SUPPORTED 2>/dev/null | grep -q _NET_WM_STATE_FULLSCREEN && return 0
    kill -0 "$wm" 2>/dev/null && return 1
    echo "note: openbox ended before it was ready: $(tail -n 2 "$log" | tr '\n' ' ')" >&2
    start_wm
    return 1
  }
  start_wm
  e2e_until "" wm_ready
}

# Waits until a window with the game's title is mapped, gives it the keyboard (there is no window
# manager to do it) and prints its id. With a process id, only that process's window counts.
e2e_wait_window() {
  local id pid="${1:-}"
  find_window() {
    if [ -n "$pid" ]; then
      id=$(xdotool search --onlyvisible --pid "$pid" --name '^Torvinel$' 2>/dev/null | head -n 1)
    else
      id=$(xdotool search --onlyvisible --name '^Torvinel$' 2>/dev/null | head -n 1)
    fi
    [ -n "$id" ]
  }
  e2e_until "" find_window || return 1
  xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id" 2>/dev/null
  echo "$id"
}

# Waits up to $2 seconds (E2E_WAIT at least) for file $1 to contain $3.
e2e_wait_for_text() { e2e_until "$2" e2e_has_text "$1" "$3"; }
e2e_has_text() { grep -q -a -- "$2" "$1" 2>/dev/null; }

# --- The game's state --------------------------------------------------------------------------
# A state line: "812 ranking angle=12 ... banner=3120 slide=300 keys=space,left".

# True when the game launched last writes its state.
e2e_have_state() { [ -n "${E2E_STATE:-}" ] && [ -f "$E2E_STATE" ]; }

# Reads the latest whole line of the state into GAME: GAME[tick], GAME[scene], GAME[keys] and
# every other name=value. False while there is none yet.
e2e_read_state() {
  local chunk line word
  chunk=$(tail -c 2048 "$E2E_STATE" 2>/dev/null; echo .)
  chunk=${chunk%.}
  # A line still being written is left for the next read.
  [[ $chunk == *$'\n'* ]] || return 1
  chunk=${chunk%$'\n'*}
  line=${chunk##*$'\n'}
  GAME=()
  read -r GAME[tick] GAME[scene] line <<<"$line"
  for word in $line; do GAME[${word%%=*}]=${word#*=}; done
  [ -n "${GAME[keys]+set}" ]
}

# Waits up to $1 seconds (E2E_WAIT when empty) until the shell test $2 passes on the latest state
# in GAME. Gives up at once when the game has ended.
e2e_wait_state() {
  local until=$((SECONDS + ${1:-$E2E_WAIT})) test="$2"
  while :; do
    e2e_read_state && eval "$test" && return 0
    if [ -n "${E2E_GAME:-}" ] && ! kill -0 "$E2E_GAME" 2>/dev/null; then
      e2e_read_state && eval "$test"
      return
    fi
    [ "$SECONDS" -ge "$until" ] && return 1
    sleep 0.05
  done
}

# Waits until the game is in scene $1 (title, game or ranking).
e2e_wait_scene() { e2e_wait_state "${2:-}" "[ \"\${GAME[scene]}\" = '$1' ]"; }

# Waits until $1 more ticks have run (2 by default: the frame of the tick read last is drawn by
# then).
e2e_wait_ticks() {
  local from
  e2e_wait_state "" true || return 1
  from=${GAME[tick]}
  e2e_wait_state "${2:-}" "[ \"\${GAME[tick]}\" -ge $((from + ${1:-2})) ]"
}

# The name a state line gives a key xdotool names: space, escape, up, left, p, code13 (Return).
e2e_key_name() {
  case "$1" in
    [A-Za-z0-9]) echo "$1" ;;
    Return) echo code13 ;;
    *) echo "$1" | tr '[:upper:]' '[:lower:]' ;;
  esac
}

# True when the latest state has the scenes reading key $1 (a state line's name) as down.
e2e_key_down() { [[ ",${GAME[keys]}," == *",$1,"* ]]; }

# The state's size in bytes now, to count from with e2e_since.
e2e_state_mark() { stat -c %s "$E2E_STATE" 2>/dev/null || echo 0; }

# Of the state lines since byte $1 of the state that pass awk test $2, prints how many there are,
# or with $3 "first", the tick of the first (nothing when none). In the test v["tick"], v["scene"],
# v["keys"] and every other v["name"] hold the line's values, and k is ",keys," to match one key
# in: k ~ /,space,/.
e2e_since() {
  tail -c +$(($1 + 1)) "$E2E_STATE" 2>/dev/null | awk -v what="${3:-count}" '
    / keys=[^ ]*$/ {
      delete v; v["tick"] = $1; v["scene"] = $2
      for (i = 3; i <= NF; i++) { e = index($i, "="); v[substr($i, 1, e - 1)] = substr($i, e + 1) }
      k = "," v["keys"] ","
      if ('"$2"') { if (!n++) first = v["tick"] }
    }
    END { print what == "first" ? first : n + 0 }'
}

# Ticks per second of the game launched last, from its latest frame-rate line (62.5 while there
# is none).
e2e_tick_rate() {
  local rate
  rate=$(tr '\r' '\n' <"${E2E_OUT:-/dev/null}" 2>/dev/null | sed -n 's/^fps:\([0-9.]*\).*/\1/p' | tail -n 1)
  echo "${rate:-62.5}"
}

# Presses key $1 (xdotool's name) and waits until the game reads it down; GAME[tick] is then the
# first tick that did. False, with a note, when it never does.
e2e_press() {
  local name mark
  name=$(e2e_key_name "$1")
  mark=$(e2e_state_mark)
  xdotool keydown "$1"
  # Read from the lines since the key went down: a tick that read it and let go must count too.
  if e2e_wait_state "" "[ \$(e2e_since $mark 'k ~ /,$name,/') -gt 0 ]"; then
    GAME[tick]=$(e2e_since "$mark" "k ~ /,$name,/" first)
    return 0
  fi
  echo "note: the game never read $1 as down" >&2
  return 1
}

# Lets go of key $1 and waits until the game reads it up (or has ended).
e2e_release() {
  xdotool keyup "$1"
  e2e_wait_state "" "! e2e_key_down $(e2e_key_name "$1")"
}

# Holds key $1 (xdotool's name) for $2 seconds of play (0.3 by default), counted in the game's own
# ticks at 62.5 a second and never fewer than three: down until the game reads it, that many ticks,
# then up until the game reads that too. For a game that writes no state the ticks are timed at its
# measured tick rate.
e2e_hold() {
  local ticks
  ticks=$(awk -v s="${2:-0.3}" 'BEGIN { t = int(s * 62.5 + 0.5); print (t < 3 ? 3 : t) }')
  if e2e_have_state; then
    e2e_press "$1" && e2e_wait_ticks $((ticks - 1))
    e2e_release "$1"
  else
    xdotool keydown "$1"
    sleep "$(awk -v t="$ticks" -v r="$(e2e_tick_rate)" 'BEGIN { print t / (r > 1 ? r : 1) }')"
    xdotool keyup "$1"
  fi
  return 0
}

# A short press: seen down by a few of the game's ticks, then up.
e2e_tap() { e2e_hold "$1" "${2:-0.15}"; }

# A press shorter than any tick: down and up in one go, as a quick finger on a slow machine.
e2e_quick_tap() { xdotool key --delay 0 "$1"; }

# Waits up to $2 seconds (E2E_WAIT at least) for process $1 to end; sets E2E_STATUS to its exit
# status.
e2e_wait_exit() {
  E2E_STATUS=timeout
  e2e_until "$2" e2e_gone "$1" || return 1
  wait "$1"
  E2E_STATUS=$?
}
e2e_gone() { ! kill -0 "$1" 2>/dev/null; }

e2e_shot() { import -window root "$E2E_ARTIFACTS/$1.png" 2>/dev/null; }

e2e_finish() {
  echo "$E2E_PASSES passed, $E2E_FAILS failed"
  [ "$E2E_FAILS" -eq 0 ]
}
