#!/usr/bin/env bash
# How the game rests between frames: its main thread's wake-ups and CPU time, and the process's,
# on the idle title and in a game, beside a bare GLUT program that redraws every 16 ms (the floor),
# and beside another build of the game if one is given. Windowed at 1280x720 under a private Xvfb
# (Mesa llvmpipe). Prints figures; judges nothing.
#   bench/rest.sh BUILD_DIR [OTHER_BUILD_DIR] [SECONDS=10]
# Wake-ups are the main thread's context switches from /proc (voluntary: it slept; involuntary:
# it was preempted); CPU times come from /proc/<pid>/task/*/schedstat.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../tests/e2e/lib/common.bash"
E2E_BUILD=$(cd "$E2E_BUILD" && pwd)
OTHER="${2:+$(cd "$2" && pwd)}"
SECONDS_EACH="${3:-10}"

e2e_start_x 1280 720
data=$(e2e_data_copy rest)
cd "$data"

# "<voluntary> <involuntary> <main thread ns> <process ns>" of process $1 now.
reading() {
  local pid="$1" t total=0
  for t in /proc/"$pid"/task/*/schedstat; do total=$((total + $(cut -d' ' -f1 "$t" 2>/dev/null || echo 0))); done
  echo "$(awk '/^voluntary_ctxt_switches/ { v = $2 } /^nonvoluntary_ctxt_switches/ { n = $2 } END { print v, n }' \
    /proc/"$pid"/task/"$pid"/status) $(cut -d' ' -f1 /proc/"$pid"/task/"$pid"/schedstat) $total"
}

# Samples process $1 for $2 seconds; prints wake-ups and CPU ms per second.
sample() {
  local before after
  before=$(reading "$1")
  sleep "$2"
  after=$(reading "$1")
  awk -v s="$2" -v b="$before" -v a="$after" 'BEGIN {
    split(b, x, " "); split(a, y, " ")
    printf "  wake-ups/s: %6.1f voluntary, %5.1f involuntary; main thread CPU %6.1f ms/s; process CPU %6.1f ms/s\n",
      (y[1] - x[1]) / s, (y[2] - x[2]) / s, (y[3] - x[3]) / s / 1e6, (y[4] - x[4]) / s / 1e6 }'
}

# The ticks of scene $2 in profile log $1, away from any switch: period mean, p99 and longest, and
# the game's own Update and Draw CPU per second.
ticks() {
  awk -v want="$2" -v periods="$E2E_WORK/periods.txt" '
    /^switch / { sw[$2] = $3 }
    /^tick / { n = $2; start[n] = $3; upd[n] = $4; last = n }
    /^draw / { draw[n] = $2 }
    END {
      cur = "TitleScene"
      for (n = 0; n <= last; n++) { if (n in sw) cur = sw[n]; sc[n] = cur }
      printf "" > periods
      for (n = 60; n < last; n++) {
        if (sc[n] != want || (n in sw) || ((n + 1) in sw) || sc[n + 1] != want) continue
        p = start[n + 1] - start[n]; print p > periods; sum += p; own += upd[n] + draw[n]
      }
      if (sum > 0) printf "%.1f\n", own / (sum / 1000)
    }' "$1" >"$E2E_WORK/own.txt"
  sort -n "$E2E_WORK/periods.txt" | awk -v own="$(cat "$E2E_WORK/own.txt")" '{ p[NR] = $1; sum += $1 }
    END {
      if (!NR) exit
      i = int(0.99 * NR + 0.999999)
      printf "  ticks: %d, period mean %.3f ms, p99 %.2f ms, longest %.2f ms; Update + Draw %s ms/s\n",
        NR, sum / NR, p[i], p[NR], own
    }'
}

echo "== Machine"
echo "cores: $(nproc); CPU: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //')"

for quad in whole quarter; do
  echo
  echo "== Bare GLUT program, 16 ms timer, a textured quad over the $quad of the window ($SECONDS_EACH s)"
  "$E2E_BUILD/bench/bare_glut" "$quad" >/dev/null 2>&1 &
  pid=$!
  E2E_PIDS+=("$pid")
  sleep 2
  sample "$pid" "$SECONDS_EACH"
  kill "$pid"
done

for build in "$E2E_BUILD" ${OTHER:+"$OTHER"}; do
  echo
  echo "== $build/torvinel-windowed"
  log="$E2E_WORK/profile-$(echo "$build" | tr '/' '_').log"
  # The game alone: no state lines for the key helpers, which time the keys by the frame rate.
  E2E_NO_STATE=1 TORVINEL_PROFILE="$log" e2e_launch "$build/torvinel-windowed" "$E2E_WORK/out.txt" "$E2E_WORK/err.txt"
  e2e_wait_window "$pid" >/dev/null || { echo "no game window"; continue; }
  sleep 2
  echo " idle title ($SECONDS_EACH s):"
  sample "$pid" "$SECONDS_EACH"
  e2e_hold space 0.1
  sleep 0.3
  # A game untouched lasts 360 ticks, 5.8 s.
  echo " in a game (4 s):"
  sample "$pid" 4
  sleep 2.5
  e2e_hold Escape 0.3
  e2e_wait_exit "$pid" 10 || kill "$pid"
  echo " title ticks:"
  ticks "$log" TitleScene
  echo " game ticks:"
  ticks "$log" GameScene
done
