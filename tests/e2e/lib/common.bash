# Shared helpers for the end-to-end scripts: a private X server, a private copy of the game's data
# folder, and small waits. Source it; then call e2e_start_x WIDTH HEIGHT.
set -u

E2E_BUILD="${1:?usage: script.sh BUILD_DIR}"
E2E_WORK=$(mktemp -d /tmp/torvinel-e2e.XXXXXX)
E2E_FAILS=0
E2E_PASSES=0
E2E_PIDS=()
E2E_ARTIFACTS="${E2E_ARTIFACTS:-$E2E_BUILD/e2e-artifacts}"
mkdir -p "$E2E_ARTIFACTS"
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"

e2e_cleanup() {
  # Never stopped halfway, even under set -e: a game that has already ended is no error.
  set +e
  for pid in "${E2E_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
  [ -n "${E2E_XPID:-}" ] && kill "$E2E_XPID" 2>/dev/null
  # A test may leave a read-only tree behind.
  chmod -R u+w "$E2E_WORK" 2>/dev/null
  rm -rf "$E2E_WORK"
}
trap e2e_cleanup EXIT

ok() { E2E_PASSES=$((E2E_PASSES + 1)); echo "ok: $*"; }
fail() { E2E_FAILS=$((E2E_FAILS + 1)); echo "FAIL: $*"; }
check() { local what="$1"; shift; if "$@"; then ok "$what"; else fail "$what"; fi; }

# Starts Xvfb on a free display with a screen of the given size and exports DISPLAY.
e2e_start_x() {
  local width="$1" height="$2" n
  for n in $(seq 90 190); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 "${width}x${height}x24" -nolisten tcp >/dev/null 2>&1 &
    E2E_XPID=$!
    export DISPLAY=":$n"
    for _ in $(seq 1 50); do
      xdpyinfo >/dev/null 2>&1 && return 0
      kill -0 "$E2E_XPID" 2>/dev/null || break
      sleep 0.1
    done
  done
  echo "could not start Xvfb" >&2
  exit 1
}

# Copies the game's data folder so the player's own ranking is never touched.
e2e_data_copy() {
  local dir="$E2E_WORK/${1:-data}"
  mkdir -p "$dir"
  cp -r "$E2E_BUILD/res" "$E2E_BUILD/shader" "$E2E_BUILD/icons" "$dir/"
  rm -f "$dir/res/ranking.dat"
  echo "$dir"
}

# Starts a game executable in the background with its stdout and stderr in the given files; sets
# pid and makes sure the game is stopped when the script ends.
e2e_launch() {
  "$1" >"$2" 2>"$3" &
  pid=$!
  E2E_PIDS+=("$pid")
}

# Waits until a window with the game's title is mapped, gives it the keyboard (there is no window
# manager to do it) and prints its id. With a process id, only that process's window counts.
e2e_wait_window() {
  local id pid="${1:-}"
  for _ in $(seq 1 100); do
    if [ -n "$pid" ]; then
      id=$(xdotool search --onlyvisible --pid "$pid" --name '^Torvinel$' 2>/dev/null | head -n 1)
    else
      id=$(xdotool search --onlyvisible --name '^Torvinel$' 2>/dev/null | head -n 1)
    fi
    if [ -n "$id" ]; then
      xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id" 2>/dev/null
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# Waits up to $2 seconds for file $1 to contain $3.
e2e_wait_for_text() {
  local file="$1" seconds="$2" text="$3" i
  for i in $(seq 1 $((seconds * 10))); do
    grep -q -a -- "$text" "$file" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

# Holds a key for $2 seconds (default 0.3).
e2e_hold() { xdotool keydown "$1"; sleep "${2:-0.3}"; xdotool keyup "$1"; }

# Waits up to $2 seconds for process $1 to end; sets E2E_STATUS to its exit status.
e2e_wait_exit() {
  local pid="$1" seconds="$2"
  for _ in $(seq 1 $((seconds * 10))); do
    if ! kill -0 "$pid" 2>/dev/null; then wait "$pid"; E2E_STATUS=$?; return 0; fi
    sleep 0.1
  done
  E2E_STATUS=timeout
  return 1
}

e2e_shot() { import -window root "$E2E_ARTIFACTS/$1.png" 2>/dev/null; }

e2e_finish() {
  echo "$E2E_PASSES passed, $E2E_FAILS failed"
  [ "$E2E_FAILS" -eq 0 ]
}
