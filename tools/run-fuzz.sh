#!/usr/bin/env bash
# Builds the plane-cut fuzzer with clang in its own build directory and runs it for a
# bounded time. Usage: tools/run-fuzz.sh [seconds]   (default 60)
# FUZZ_BUILD_DIR picks the build directory (default: build-fuzz in the source tree).
set -euo pipefail

seconds="${1:-60}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  echo "run-fuzz.sh: the run time must be a whole number of seconds, got '$seconds'" >&2
  exit 2
fi

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${FUZZ_BUILD_DIR:-$repo/build-fuzz}"

cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DTORVINEL_FUZZ=ON -DTORVINEL_BENCH=OFF >/dev/null
cmake --build "$build" --target cut_fuzz -j2

corpus="$build/cut_fuzz_corpus"
mkdir -p "$corpus"
# A crash leaves its input beside the corpus; replay it with: cut_fuzz <file>
"$build/tests/fuzz/cut_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$build/" "$corpus"
