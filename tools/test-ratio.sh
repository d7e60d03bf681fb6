#!/usr/bin/env bash
# Size of the test suite against the code: C++ lines that are neither blank nor comments, tests/
# against everything else but bench/ (and build folders). The suite is meant to stay between a
# quarter and a third of the code.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

count() { cat "$@" | sed -E 's://.*$::' | grep -v '^\s*$' | wc -l; }
tests=$(count $(find tests -name '*.cpp' -o -name '*.h'))
code=$(count $(find . -path ./tests -prune -o -path ./bench -prune -o -path './build*' -prune -o -path ./.git -prune \
  -o \( -name '*.cpp' -o -name '*.h' \) -print))
echo "tests: $tests lines"
echo "code:  $code lines"
awk -v t="$tests" -v c="$code" 'BEGIN { printf "ratio: %.2f\n", t / c }'
