#!/usr/bin/env bash
# The whole-game check that a change left the play alone: the shipped demo, recorded by a Release
# build, played with --timedemo on this build, on a Debug build and on an AddressSanitizer build
# (each made beside this one the first time), must stay in step to its last scores.
source "$(dirname "$0")/lib/common.bash"

source_dir=$(cd "$(dirname "$0")/../.." && pwd)
demo="$E2E_BUILD/demos/three-games.demo"
e2e_start_x 1280 720

# Only the windowed game is built in each; its data is copied beside it by the build.
variant() {
  local dir="$E2E_BUILD/$1"
  shift
  if [ ! -x "$dir/torvinel-windowed" ]; then
    cmake -S "$source_dir" -B "$dir" -DTORVINEL_TESTS=OFF -DTORVINEL_BENCH=OFF -DTORVINEL_TOOLS=OFF "$@" >/dev/null &&
      cmake --build "$dir" -j"$(nproc)" --target torvinel-windowed >/dev/null
  else
    cmake --build "$dir" -j"$(nproc)" --target torvinel-windowed >/dev/null
  fi
}
variant debug -DCMAKE_BUILD_TYPE=Debug || fail "the Debug build builds"
variant asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="-fsanitize=address -fno-omit-frame-pointer" \
  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address || fail "the AddressSanitizer build builds"

recorded=$(grep ' end ' "$demo" | sed -E 's/^[0-9]+ end //')
# Leaks are another check's business (the drivers keep some memory to the end); any other error
# of the sanitizer ends the run with status 99.
export ASAN_OPTIONS=detect_leaks=0:exitcode=99
for build in "$E2E_BUILD" "$E2E_BUILD/debug" "$E2E_BUILD/asan"; do
  name=${build#"$E2E_BUILD"}
  name=${name:-/this build}
  # The smallest window in the slower builds: the play cannot depend on it, and it draws fastest.
  size=()
  [ "$build" != "$E2E_BUILD" ] && size=(--size 512x512)
  "$build/torvinel-windowed" --timedemo "$demo" "${size[@]}" >"$E2E_WORK/out.txt" 2>"$E2E_WORK/err.txt"
  status=$?
  cat "$E2E_WORK/out.txt"
  check "${name#/}: the shipped demo plays to its end in step (status $status)" test "$status" = 0
  check "${name#/}: its summary says so" grep -q "; in step$" "$E2E_WORK/out.txt"
  check "${name#/}: nothing on stderr" test ! -s "$E2E_WORK/err.txt"
  [ -s "$E2E_WORK/err.txt" ] && sed 's/^/  stderr: /' "$E2E_WORK/err.txt"
done
check "the shipped demo holds three games or more ($recorded)" \
  test "$(echo "$recorded" | sed -E 's/scores=([^ ]*) .*/\1/' | tr ',' '\n' | grep -c .)" -ge 3
e2e_finish
