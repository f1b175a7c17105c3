#!/usr/bin/env bash
# Runs many lives of a context (Init, Parse, every resolution and list query,
# a reload onto other files, failed reads, hostile URLs, Release) under
# valgrind memcheck. Fails on any definite or indirect leak and on any memory
# error.
# Usage: scripts/leak-check.sh [build-dir] [cycles]   (default build/leak, 500)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh base reliability
build="${1:-build/leak}"
cycles="${2:-500}"
if [[ ! -f "$build/CMakeCache.txt" ]]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTRELL_BUILD_TESTS=ON >/dev/null
fi
cmake --build "$build" --target strell_leak_cycles
valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite,indirect \
  --errors-for-leak-kinds=definite,indirect --error-exitcode=1 \
  "$build/tests/reliability/strell_leak_cycles" "$cycles"
echo "leak check: $cycles cycles, no leak, no memory error"
