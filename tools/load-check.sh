#!/usr/bin/env bash
# Does the suite pass on a busy machine? Runs the README's test command while busy loops keep
# every core occupied, and prints each test's verdict and time, the load and the whole run's time.
#   tools/load-check.sh                   ./tools/torvinel.sh test in this tree
#   tools/load-check.sh --clone           the same in a fresh clone of the last commit for each run,
#                                         as CI runs it
#   tools/load-check.sh --build DIR       only ctest -j2 in an already built tree
# Options: --runs N (runs in a row, default 1), --loops N (busy loops, default two for each core;
# 0 runs on an idle machine, for a figure to set beside), --ctest ARGS (passed on to ctest with
# --build, e.g. "-L e2e"). A log of each run is kept in the scratch folder it names.
# Exit status: 0 when every run passed.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=1 loops=$((2 * $(nproc))) mode=tree build="" ctest_args=""
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs="$2"; shift 2 ;;
    --loops) loops="$2"; shift 2 ;;
    --clone) mode=clone; shift ;;
    --build) mode=build build=$(cd "$2" && pwd); shift 2 ;;
    --ctest) ctest_args="$2"; shift 2 ;;
    *) echo "usage: tools/load-check.sh [--clone | --build DIR [--ctest ARGS]] [--runs N] [--loops N]" >&2; exit 2 ;;
  esac
done

scratch=$(mktemp -d /tmp/torvinel-load.XXXXXX)
busy=()
stop_loops() {
  local p
  for p in "${busy[@]}"; do kill "$p" 2>/dev/null || true; done
  busy=()
}
trap stop_loops EXIT

# A fresh clone of the last commit in folder $1.
clone() {
  git clone --quiet "$here" "$1"
  git -C "$1" checkout --quiet "$(git -C "$here" rev-parse HEAD)"
}

loadavg() { cut -d' ' -f1-3 /proc/loadavg; }

# Busy loops at the suite's own priority, so they take their share of every core.
for _ in $(seq 1 "$loops"); do
  bash -c 'while :; do :; done' &
  busy+=("$!")
done
echo "$loops busy loops on $(nproc) cores; load average $(loadavg)"

failed_runs=0
for run in $(seq 1 "$runs"); do
  log="$scratch/run-$run.log"
  start=$SECONDS
  status=0
  tree="$here"
  if [ "$mode" = clone ]; then
    tree="$scratch/clone-$run"
    clone "$tree"
    echo "run $run: a fresh clone of $(git -C "$tree" log -1 --format='%h %s') in $tree"
  fi
  if [ "$mode" = build ]; then
    # shellcheck disable=SC2086
    (cd "$build" && SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}" ctest --output-on-failure -j2 $ctest_args) \
      >"$log" 2>&1 || status=$?
  else
    (cd "$tree" && ./tools/torvinel.sh test) >"$log" 2>&1 || status=$?
  fi
  took=$((SECONDS - start))
  echo "--- run $run of $runs: status $status, $((took / 60)) min $((took % 60)) s, load average $(loadavg)"
  grep -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+:' "$log" | sed -E 's/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: //; s/ \.{2,} */  /; s/^/  /' || true
  grep -E 'tests passed, [0-9]+ tests failed' "$log" || echo "  (no test summary; see $log)"
  [ "$status" -eq 0 ] || failed_runs=$((failed_runs + 1))
done
stop_loops
echo "$((runs - failed_runs)) of $runs runs passed; logs in $scratch"
[ "$failed_runs" -eq 0 ]
