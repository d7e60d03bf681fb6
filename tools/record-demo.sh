#!/usr/bin/env bash
# Records the shipped demo by playing it: three games played through the real window of a Release
# build under a private X server, with xdotool pressing the keys, recorded with --record. Then
# plays the new demo with --timedemo to make sure it is in step.
#   tools/record-demo.sh [OUTPUT]    (default: data/demos/three-games.demo)
# Needs what tools/torvinel.sh build installs. The games differ from one recording to the next:
# the random seed is the time of day.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=$(realpath -m "${1:-$here/data/demos/three-games.demo}")
release="$here/build/release"

cmake -S "$here" -B "$release" -DCMAKE_BUILD_TYPE=Release -DTORVINEL_TESTS=OFF -DTORVINEL_BENCH=OFF \
  -DTORVINEL_TOOLS=OFF >/dev/null
cmake --build "$release" -j"$(nproc)" --target torvinel-windowed >/dev/null

# The end-to-end tests' own private X server, fresh data folder (an empty ranking to start from),
# and window and key helpers.
source "$here/tests/e2e/lib/common.bash" "$release"
e2e_start_x 1280 720
work=$(e2e_data_copy)
cd "$work"
mkdir -p "$(dirname "$out")"
# The profile log tells which scene is on, so each key comes when it means something.
export TORVINEL_PROFILE="$work/profile.log"
"$release/torvinel-windowed" --record "$out" >/dev/null &
game=$!
E2E_PIDS+=("$game")
e2e_wait_window "$game" >/dev/null || { echo "record-demo: no game window" >&2; exit 1; }

hold() { e2e_hold "$1" "$2"; }
tap() { e2e_hold "$1" 0.15; }
scene() { grep '^switch ' "$work/profile.log" | tail -n 1 | awk '{ print $3 }'; }
wait_scene() {
  for _ in $(seq 1 400); do [ "$(scene)" = "$1" ] && return 0; sleep 0.1; done
  echo "record-demo: the $1 never came" >&2
  exit 1
}

# Hunts gems, the view and the blade turning round the tube, the blade rising and sinking, until
# the game is over (or for $1 rounds).
hunt() {
  local i
  for i in $(seq 1 "${1:-100}"); do
    [ "$(scene)" = RankingScene ] && return 0
    hold Left 0.5
    hold Up 0.3
    hold d 0.25
    sleep 0.4
    hold Right 0.35
    hold Down 0.2
    hold a 0.3
    sleep 0.5
  done
}

# The end of a game played out: the banner runs, then Space at the board, back to the title.
board_then_title() {
  wait_scene RankingScene
  sleep 3
  tap space
  wait_scene TitleScene
  sleep 1
}

sleep 1.5
# Game one: played until its time runs out; the banner runs, then Space at the board.
tap space
wait_scene GameScene
hunt
board_then_title
# Game two: a few turns, then p ends it; Space skips the banner, Space again back to the title.
tap space
wait_scene GameScene
hunt 1
tap p
wait_scene RankingScene
sleep 0.5
tap space
sleep 1.2
tap space
wait_scene TitleScene
sleep 1
# Game three: the blade held high first, the stream fast, then hunting until the time runs out.
tap space
wait_scene GameScene
hold Up 1.2
hunt
board_then_title
hold Escape 0.4
wait "$game"

"$release/torvinel-windowed" --timedemo "$out"
echo "recorded $(grep -c ' check ' "$out") checks, $(wc -c <"$out") bytes: $out"
grep ' end ' "$out"
