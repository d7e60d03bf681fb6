#!/usr/bin/env bash
# Speed and stamina of the real game, windowed at 1280x720 under a private Xvfb (Mesa llvmpipe),
# driven by the keyboard. Prints figures; it is not a test and judges nothing.
#   bench/perf.sh BUILD_DIR [CYCLES=50] [STARTS=5]
# The game writes its own measurements when TORVINEL_PROFILE names a file (app/Profile.h).
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../tests/e2e/lib/common.bash"
CYCLES="${2:-50}"
STARTS="${3:-5}"

e2e_start_x 1280 720
data=$(e2e_data_copy perf)
cd "$data"
game="$E2E_BUILD/torvinel-windowed"

# Launches the game with a profile log $1; records the wall clock just before exec.
launch() {
  local log="$1"
  rm -f "$log"
  (echo "$EPOCHREALTIME" >"$log.exec"; TORVINEL_PROFILE="$log" exec "$game" >"$E2E_WORK/out.txt" 2>"$E2E_WORK/err.txt") &
  pid=$!
  E2E_PIDS+=("$pid")
  e2e_wait_window "$pid" >/dev/null || { echo "no game window" >&2; exit 1; }
  e2e_wait_for_text "$log" 20 "^first_tick" || { echo "no first tick" >&2; exit 1; }
}

quit() {
  e2e_hold Escape 0.3
  e2e_wait_exit "$pid" 20 || kill "$pid"
}

# Waits up to $3 seconds until log $1 has $2 lines matching "switch .* <scene>" ($4).
wait_switches() {
  local log="$1" count="$2" seconds="$3" scene="$4" i
  for i in $(seq 1 $((seconds * 20))); do
    [ "$(grep -c "^switch .* $scene\$" "$log" 2>/dev/null)" -ge "$count" ] && return 0
    sleep 0.05
  done
  return 1
}

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR) print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

echo "== Machine"
echo "cores: $(nproc); CPU: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //')"

# --- Start-up -------------------------------------------------------------------------------------
echo
echo "== Start-up (median of $STARTS launches, ms)"
for run in $(seq 1 "$STARTS"); do
  log="$E2E_WORK/start-$run.log"
  launch "$log"
  [ "$run" = 1 ] && grep '^gl ' "$log" | sed 's/^gl /GL: /'
  sleep 0.5
  quit
  awk -v exec="$(cat "$log.exec")" '
    /^start / { main = $2 } /^first_tick / { first = $2 } /^phase / { p[$2] = $3 }
    END {
      printf "exec_to_main %.1f\nwindow %.1f\ndesktop %.1f\nmusic %.1f\nwarm_up %.1f\nscene_init %.1f\nshaders %.1f\n",
        main - exec * 1000, p["window"], p["desktop"], p["music"], p["scene_build"], p["scene_init"], p["shaders"]
      printf "images %.1f\nstart_scenes %.1f\nexec_to_first_tick %.1f\n",
        p["scene_init"] - p["shaders"], p["start_scenes"], first - exec * 1000
    }' "$log" >"$E2E_WORK/start-$run.txt"
done
for key in exec_to_main window desktop music warm_up scene_init shaders images start_scenes exec_to_first_tick; do
  printf '%-20s %7.1f\n' "$key" "$(cat "$E2E_WORK"/start-*.txt | awk -v k="$key" '$1 == k { print $2 }' | median)"
done
echo "(exec_to_main: loading the shared libraries; window: GLUT window and GL context, desktop included;"
echo " desktop: the window's class and icon, the screensaver held off; warm_up: the first"
echo " title scene with its field run ahead; scene_init: the title's Init; shaders: GL compile and link"
echo " calls inside it; images: the rest of Init, i.e. decoding and uploading the pictures)"

# --- Ticks over play ------------------------------------------------------------------------------
# The shipped demo played back at the normal pace: the same three games every time, so the figures
# of two builds can be set side by side.
echo
echo "== Ticks over the shipped demo played at the normal pace (three games)"
log="$E2E_WORK/play.log"
rm -f "$log"
TORVINEL_PROFILE="$log" "$game" --play "$E2E_BUILD/demos/three-games.demo" >"$E2E_WORK/out.txt" 2>"$E2E_WORK/err.txt"
games=$(grep -c '^switch .* RankingScene$' "$log")
awk -v periods="$E2E_WORK/periods.txt" '
  /^switch / { sw[$2] = $3 }
  /^tick / { n = $2; start[n] = $3; upd[n] = $4; cpu[n] = $6; last = n }
  /^draw / { draw[n] = $2; swap[n] = $4 }
  END {
    # A switch is logged after its tick, whose step already ran the new scene.
    cur = "TitleScene"
    for (n = 0; n <= last; n++) { if (n in sw) cur = sw[n]; sc[n] = cur }
    # The period of tick n runs from its start to the next one: its work, its drawing, its wait.
    for (n = 0; n < last; n++) {
      period = start[n + 1] - start[n]
      if (sc[n] == "GameScene" && !(n in sw) && !((n + 1) in sw)) {
        print period > periods
        k++; cpusum += cpu[n + 1] - cpu[n]; updsum += upd[n]; drawsum += draw[n]; swapsum += swap[n]
      }
      if (n in sw) {
        worst = period; if (start[n + 2] - start[n + 1] > worst) worst = start[n + 2] - start[n + 1]
        if (worst > sworst[sw[n]]) sworst[sw[n]] = worst
        scount[sw[n]]++
      }
    }
    printf "process CPU / tick  %.2f ms\n", cpusum / k
    printf "  Update (thread)   %.3f ms\n", updsum / k
    printf "  Draw (thread)     %.3f ms\n", drawsum / k
    printf "  swap (wall)       %.2f ms  (llvmpipe rasterising on its worker threads)\n", swapsum / k
    for (s in sworst) printf "switch to %-12s longest tick %.1f ms (of the two around each of %d switches)\n", s, sworst[s], scount[s]
  }' "$log" >"$E2E_WORK/play.txt"
sort -n "$E2E_WORK/periods.txt" | awk '{ p[NR] = $1; sum += $1; if ($1 > 17) over++ }
  END {
    k = NR; i = int(0.99 * k + 0.999999)
    printf "game ticks          %d (%.1f s)\n", k, sum / 1000
    printf "period mean         %.2f ms\n", sum / k
    printf "period median       %.2f ms\n", (k % 2 ? p[(k + 1) / 2] : (p[k / 2] + p[k / 2 + 1]) / 2)
    printf "period p99          %.2f ms\n", p[i]
    printf "period longest      %.2f ms\n", p[k]
    printf "periods over 17 ms  %.1f %%\n", 100 * over / k
  }'
cat "$E2E_WORK/play.txt"
echo "(games played: $games; ticks next to a scene switch are left out of the play figures)"

# --- Stamina ----------------------------------------------------------------------------------------
echo
echo "== Stamina: $CYCLES keyboard-driven cycles (title, game ended with p, banner skipped, board, title)"
log="$E2E_WORK/stamina.log"
export TORVINEL_PROFILE_GL=1
launch "$log"
sleep 0.5
for cycle in $(seq 1 "$CYCLES"); do
  e2e_hold space 0.12
  wait_switches "$log" "$cycle" 10 GameScene || { echo "cycle $cycle: no game"; break; }
  sleep 0.3
  e2e_hold p 0.12
  wait_switches "$log" "$cycle" 10 RankingScene || { echo "cycle $cycle: no ranking"; break; }
  sleep 0.3
  e2e_hold space 0.12   # skips part of the banner
  sleep 0.5
  e2e_hold space 0.12   # back to the title
  wait_switches "$log" "$cycle" 10 TitleScene || { echo "cycle $cycle: no title"; break; }
  [ "$cycle" = 1 ] && rss_first=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status")
  sleep 0.3
done
rss_last=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status")
quit
unset TORVINEL_PROFILE_GL
awk -v first="$rss_first" -v lastrss="$rss_last" '
  /^switch .* TitleScene$/ { want = 1; next }
  want && /^objects / { c++; if (c == 1) { t1 = $3; p1 = $4 } tn = $3; pn = $4; want = 0
    if (c == 1 || c == 2 || c == 5 || c == 10 || c == 20 || c == 30 || c == 40 || c == 50) trail = trail sprintf(" %d:%.1f", c, $5 / 1024) }
  /^objects / && !start { start = 1; t0 = $3; p0 = $4; r0 = $5 }
  END {
    printf "cycles completed    %d\n", c
    printf "at start            textures %d, programs %d\n", t0, p0
    printf "after cycle 1       textures %d, programs %d, RSS %.1f MiB\n", t1, p1, first / 1024
    printf "after cycle %-3d     textures %d, programs %d, RSS %.1f MiB\n", c, tn, pn, lastrss / 1024
    printf "growth              textures %+d, programs %+d, RSS %+.1f MiB\n", tn - t1, pn - p1, (lastrss - first) / 1024
    printf "RSS by cycle (MiB) %s\n", trail
  }' "$log"
