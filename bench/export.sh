#!/usr/bin/env bash
# How fast a demo becomes a video: the shipped demo exported with --export at 1280x720 and at
# 1920x1080 under a private Xvfb (Mesa llvmpipe), and for comparison the same demo's --timedemo
# (drawing alone). Prints ticks a second and the ratio to real time (62.5 ticks a second); above 1
# is faster than real time. Judges nothing.
#   bench/export.sh BUILD_DIR [DEMO=BUILD_DIR/demos/three-games.demo]
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../tests/e2e/lib/common.bash"
DEMO="${2:-$E2E_BUILD/demos/three-games.demo}"

e2e_start_x 1920 1080
echo "cores: $(nproc); CPU: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //')"
ticks=$(($(sed -nE 's/^([0-9]+) end .*/\1/p' "$DEMO") + 1))
echo "demo: $DEMO ($ticks ticks, $(awk -v t="$ticks" 'BEGIN { printf "%.1f", t / 62.5 }') s of play)"
figures() { awk -v t="$ticks" -v s="$1" 'BEGIN { printf "%7.1f ticks/s  %5.2f x real time", t / s, t / s / 62.5 }'; }
for size in 1280x720 1920x1080; do
  start=$(date +%s.%N)
  "$E2E_BUILD/torvinel-windowed" --export "$DEMO" "$E2E_WORK/bench.webm" --size "$size" 2>/dev/null
  status=$?
  seconds=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { print b - a }')
  printf 'export   %-9s %s  (%s s, status %s, %s KiB)\n' "$size" "$(figures "$seconds")" "$seconds" "$status" \
    "$(($(stat -c %s "$E2E_WORK/bench.webm" 2>/dev/null || echo 0) / 1024))"
  line=$("$E2E_BUILD/torvinel-windowed" --size "$size" --timedemo "$DEMO")
  printf 'timedemo %-9s %s\n' "$size" "$(figures "$(sed -nE 's/.* ticks in ([0-9.]+) s.*/\1/p' <<<"$line")")"
done
