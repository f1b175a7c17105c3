#!/usr/bin/env bash
# Runs the library's tests and the bad-input table, repeated, under valgrind
# memcheck: many lives of a context (Init, Parse and reloads, every answer,
# hostile URLs and texts, Release). Fails on any definite or indirect leak and
# on any memory error.
# Usage: scripts/leak-check.sh [build-dir] [repeats]   (default build/leak, 5)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh base reliability
build="${1:-build/leak}"
repeats="${2:-5}"
if [[ ! -f "$build/CMakeCache.txt" ]]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTRELL_BUILD_TESTS=ON >/dev/null
fi
cmake --build "$build" --target strell_library_tests strell_bad_input_tests
# The tests that start the program again are left out: valgrind does not
# follow the new process.
for program in library/strell_library_tests reliability/strell_bad_input_tests; do
  valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite,indirect \
    --errors-for-leak-kinds=definite,indirect --error-exitcode=1 --quiet \
    "$build/tests/$program" --gtest_repeat="$repeats" --gtest_brief=1 \
    --gtest_filter='-Capability.EachCountIsReadOnce*:TraceSink.*' >/dev/null
done
echo "leak check: the library's tests and the bad-input table $repeats times, no leak, no memory error"
