#!/usr/bin/env bash
# The game's speed, as players and CI can repeat it: the shipped demo played with --timedemo (every
# tick drawn, no waiting, no sound) in the windowed game at 1280x720 and at 1920x1080, under a
# private Xvfb (Mesa llvmpipe). Prints each run's summary line and the medians; judges nothing.
#   bench/timedemo.sh BUILD_DIR [RUNS=3] [DEMO=BUILD_DIR/demos/three-games.demo]
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../tests/e2e/lib/common.bash"
RUNS="${2:-3}"
DEMO="${3:-$E2E_BUILD/demos/three-games.demo}"

e2e_start_x 1920 1080
echo "== Machine"
echo "cores: $(nproc); CPU: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //')"
# The renderer, as the game's profile log names it at its first tick.
TORVINEL_PROFILE="$E2E_WORK/profile.log" "$E2E_BUILD/torvinel-windowed" --timedemo "$DEMO" >/dev/null &
pid=$!
E2E_PIDS+=("$pid")
e2e_wait_for_text "$E2E_WORK/profile.log" 20 '^gl ' && grep -m1 '^gl ' "$E2E_WORK/profile.log" | sed 's/^gl /GL: /'
kill "$pid"
echo "demo: $DEMO ($(grep -c ' check ' "$DEMO") checks, $(grep ' end ' "$DEMO" | sed -E 's/^([0-9]+) end .*/\1/') ticks)"

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR) print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
for size in 1280x720 1920x1080; do
  echo
  echo "== $size, $RUNS runs"
  : >"$E2E_WORK/lines.txt"
  for run in $(seq 1 "$RUNS"); do
    "$E2E_BUILD/torvinel-windowed" --size "$size" --timedemo "$DEMO" | tee -a "$E2E_WORK/lines.txt"
  done
  for figure in "ticks/s:[0-9.]+(?= ticks/s)" "median ms:median [0-9.]+" "p99 ms:p99 [0-9.]+" "longest ms:longest [0-9.]+" \
    "CPU ms per frame:CPU ms per frame [0-9.]+"; do
    printf '%-18s %8s\n' "${figure%%:*}" "$(grep -oP "${figure#*:}" "$E2E_WORK/lines.txt" | grep -oE '[0-9.]+$' | median)"
  done
done
