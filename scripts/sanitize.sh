#!/usr/bin/env bash
# The sanitizer jobs.
# Usage: scripts/sanitize.sh [asan|tsan|all]   (default all)
#   asan: clang++ build of everything (fuzz targets included) with Address-
#         Sanitizer + UndefinedBehaviorSanitizer and warnings as errors, then
#         the whole test suite with halt_on_error (preset asan-clang).
#   tsan: ThreadSanitizer build of the host kit tests, the integration tests
#         and the concurrency stress test; runs them, the stress test in both
#         freshness modes of the host kit (preset tsan);
#         STRELL_STRESS_OPERATIONS (per thread, default 3000) and
#         STRELL_STRESS_REWRITES (default 300) size the run.
set -euo pipefail
cd "$(dirname "$0")/.."
job="${1:-all}"

if [[ $job == asan || $job == all ]]; then
  scripts/install-deps.sh base reliability
  cmake --preset asan-clang >/dev/null
  cmake --build build/asan-clang
  ctest --preset asan-clang -j2
fi

if [[ $job == tsan || $job == all ]]; then
  scripts/install-deps.sh base
  cmake --preset tsan >/dev/null
  cmake --build build/tsan --target strell_stress_test strell_host_tests strell_integration_tests
  export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
  build/tsan/tests/host/strell_host_tests --gtest_brief=1
  build/tsan/tests/integration/strell_integration_tests --gtest_brief=1
  stress=build/tsan/tests/reliability/strell_stress_test
  "$stress" --operations "${STRELL_STRESS_OPERATIONS:-3000}" --rewrites "${STRELL_STRESS_REWRITES:-300}"
  "$stress" --operations "${STRELL_STRESS_OPERATIONS:-3000}" --rewrites "${STRELL_STRESS_REWRITES:-300}" \
    --freshness watch
fi
