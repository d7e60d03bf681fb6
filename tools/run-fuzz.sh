#!/usr/bin/env bash
# Builds the fuzz targets with clang in their own build directory (the whole game under
# AddressSanitizer and UndefinedBehaviorSanitizer) and runs each for a bounded time.
#   tools/run-fuzz.sh [seconds] [cut|demo ...]    (default: 60 seconds, each target in turn)
# cut: the plane cut on gems and made-up meshes. demo: a demo file read and played through the real
# scenes, and the same bytes read as the index of the runs kept beside the ranking; it first replays
# tests/fuzz/demo-corpus (every input that once crashed it, and seeds)
# and the shipped demos, so a fault that comes back fails at once.
# FUZZ_BUILD_DIR picks the build directory (default: build-fuzz in the source tree).
set -euo pipefail

seconds="${1:-60}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  echo "run-fuzz.sh: the run time must be a whole number of seconds, got '$seconds'" >&2
  exit 2
fi
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(cut demo)
for target in "${targets[@]}"; do
  case "$target" in cut | demo) ;; *) echo "run-fuzz.sh: no fuzz target '$target' (cut, demo)" >&2; exit 2 ;; esac
done

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${FUZZ_BUILD_DIR:-$repo/build-fuzz}"

cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DTORVINEL_FUZZ=ON -DTORVINEL_BENCH=OFF -DTORVINEL_TOOLS=OFF >/dev/null
cmake --build "$build" -j2 --target "${targets[@]/%/_fuzz}"

for target in "${targets[@]}"; do
  corpus="$build/${target}_fuzz_corpus"
  mkdir -p "$corpus"
  flags=() seeds=()
  # The game's words and what was found before; the target's chatter on stderr (out-of-step
  # reports) is kept out of the log, a crash's report is not.
  [ "$target" = demo ] && flags=(-dict="$repo/tests/fuzz/demo.dict" -close_fd_mask=2) &&
    seeds=("$repo/tests/fuzz/demo-corpus" "$repo/data/demos")
  # A crash leaves its input beside the corpus; replay it with: ${target}_fuzz <file>
  echo "== ${target}_fuzz for ${seconds} s"
  "$build/tests/fuzz/${target}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/$target-" "${flags[@]}" "$corpus" "${seeds[@]}"
done
