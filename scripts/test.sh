#!/usr/bin/env bash
# Builds everything and runs the whole test suite.
# Usage: scripts/test.sh [build-dir]   (STRELL_WERROR=ON to fail on warnings)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh base
build="${1:-build}"
cmake -S . -B "$build" -G Ninja -DSTRELL_BUILD_TESTS=ON -DSTRELL_WERROR="${STRELL_WERROR:-OFF}" \
  ${STRELL_CMAKE_ARGS:-} >/dev/null
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j2
