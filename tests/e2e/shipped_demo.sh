#!/usr/bin/env bash
# The whole-game check that a change left the play alone, and that every build plays alike: the
# shipped demo, recorded by a Release build, played with --timedemo on this build and on an
# unoptimised AddressSanitizer build asked for x87 arithmetic (-O0 -mfpmath=387), and headless on
# a clang build with -ffast-math and fused multiply-add (-march=x86-64-v3, when the CPU has it)
# and on this build with flush-to-zero set as the game loads. Building costs the suite most of its
# time, so each of the two builds (made beside this one the first time) puts several of a
# packager's or player's wishes together. A run recorded through the window on this build a
# moment before, with the blade turned and lifted through the gems, is played on each of them too.
# Every run must stay in step to its last scores.
source "$(dirname "$0")/lib/common.bash"

source_dir=$(cd "$(dirname "$0")/../.." && pwd)
demo="$E2E_BUILD/demos/three-games.demo"
e2e_start_x 1280 720

# A fresh recording: the blade's corners and the cut halves are where other arithmetic shows first.
data=$(e2e_data_copy)
cp "$E2E_BUILD/torvinel-windowed" "$data/"
fresh="$E2E_WORK/fresh.demo"
e2e_launch "$data/torvinel-windowed" "$E2E_WORK/rec-out.txt" "$E2E_WORK/rec-err.txt" --record "$fresh"
e2e_wait_window "$pid" >/dev/null || fail "the recording game's window appeared"
e2e_wait_scene title && e2e_wait_ticks 30
e2e_tap space
e2e_wait_scene game && e2e_wait_ticks 25
e2e_hold Up 0.8
e2e_hold d 0.6
e2e_hold Left 1.2
e2e_hold a 0.4
e2e_hold Right 0.8
e2e_wait_ticks 60
e2e_tap p
e2e_wait_scene ranking && e2e_wait_ticks 10
e2e_hold Escape 0.3
e2e_wait_exit "$pid" 10
check "a run is recorded through the window (status $E2E_STATUS)" test "$E2E_STATUS" = 0 -a -s "$fresh"
check "with the blade lifted in the game" grep -Eq ' check game .* blade=[1-9]' "$fresh"

# Each build makes only the program it plays: the windowed game (its data copied beside it by the
# build), or demo_tool, which plays demos headless through the same scenes and ticks. A run plays
# one of them: name|program|preloaded library.
variant() {
  local dir="$E2E_BUILD/$1" target=$2
  shift 2
  cmake -S "$source_dir" -B "$dir" -DTORVINEL_TESTS=OFF -DTORVINEL_BENCH=OFF -DTORVINEL_TOOLS=ON "$@" >/dev/null || return 1
  # Configured each time, so a tree made before it built demo_tool gets it. The compilers'
  # warnings that the game's own options override the player's flags stay in the log.
  cmake --build "$dir" -j"$(nproc)" --target "$target" >"$dir.log" 2>&1 || { cat "$dir.log"; return 1; }
}
runs=("this build|$E2E_BUILD/torvinel-windowed|")
add() {
  local program=$E2E_BUILD/$1/torvinel-windowed
  [ "$2" = demo_tool ] && program=$E2E_BUILD/$1/tools/demo_tool
  variant "$@" && runs+=("$1|$program|") || fail "the $1 build builds"
}
# What a packager's or player's flags may ask for: none of it may change the play. The sanitizer
# watches the unoptimised build, where the play's arithmetic is spelt out step by step.
x87=
[ "$(uname -m)" = x86_64 ] && x87=-mfpmath=387
add debug-asan torvinel-windowed -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS=-fsanitize=address -fno-omit-frame-pointer $x87" \
  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address
# The dynamic loader knows which x86-64 levels this CPU runs.
fast=-ffast-math
if [ -z "$x87" ]; then
  echo "skip: not an x86-64 machine: no FMA or flush-to-zero build here"
elif /lib64/ld-linux-x86-64.so.2 --help 2>/dev/null | grep -q 'x86-64-v3 (supported'; then
  fast="-ffast-math -march=x86-64-v3"
else
  echo "skip: this CPU lacks x86-64-v3 (FMA, AVX2): the clang build is played without it"
fi
add clang demo_tool -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=clang++ "-DCMAKE_CXX_FLAGS=$fast"
if [ -n "$x87" ]; then
  # Flush-to-zero and denormals-are-zero set as a library loads, as one built with -ffast-math does.
  mkdir -p "$E2E_BUILD/ftz"
  cat >"$E2E_WORK/ftz.c" <<'EOF'
#include <xmmintrin.h>
__attribute__((constructor)) static void FlushToZero(void) { _mm_setcsr(_mm_getcsr() | 0x8040); }
EOF
  printf 'int main(void) { volatile float least = 1.17549435e-38f; return least / 2.0f != 0.0f; }\n' >"$E2E_WORK/flushed.c"
  cc -shared -fPIC -O2 -o "$E2E_BUILD/ftz/flush-to-zero.so" "$E2E_WORK/ftz.c" &&
    cc -O0 -o "$E2E_WORK/flushed" "$E2E_WORK/flushed.c" || fail "the flush-to-zero library builds"
  check "the flush-to-zero library flushes a program's subnormal numbers" \
    env LD_PRELOAD="$E2E_BUILD/ftz/flush-to-zero.so" "$E2E_WORK/flushed"
  runs+=("flush-to-zero|$E2E_BUILD/tools/demo_tool|$E2E_BUILD/ftz/flush-to-zero.so")
fi

recorded=$(grep ' end ' "$demo" | sed -E 's/^[0-9]+ end //')
# Leaks are another check's business (the drivers keep some memory to the end); any other error
# of the sanitizer ends the run with status 99.
export ASAN_OPTIONS=detect_leaks=0:exitcode=99
for run in "${runs[@]}"; do
  IFS='|' read -r name program preload <<<"$run"
  # The smallest window: it draws fastest, and the play cannot depend on it (tests/e2e/demo.sh
  # plays a demo at other sizes).
  how=(--size 512x512 --timedemo)
  [ "${program##*/}" = demo_tool ] && how=(check)
  for played in "$demo" "$fresh"; do
    what="the shipped demo"
    [ "$played" = "$fresh" ] && what="the fresh recording"
    LD_PRELOAD="$preload" "$program" "${how[@]}" "$played" >"$E2E_WORK/out.txt" 2>"$E2E_WORK/err.txt"
    status=$?
    cat "$E2E_WORK/out.txt"
    check "$name: $what plays to its end in step (status $status)" test "$status" = 0
    check "$name: its summary says so" grep -q "[;,] in step$" "$E2E_WORK/out.txt"
    check "$name: nothing on stderr" test ! -s "$E2E_WORK/err.txt"
    [ -s "$E2E_WORK/err.txt" ] && sed 's/^/  stderr: /' "$E2E_WORK/err.txt"
  done
done
check "the shipped demo holds three games or more ($recorded)" \
  test "$(echo "$recorded" | sed -E 's/scores=([^ ]*) .*/\1/' | tr ',' '\n' | grep -c .)" -ge 3
e2e_finish
