#!/usr/bin/env bash
# The sanitizer jobs, built the ordinary way: the sanitizer flags given in
# CMAKE_C_FLAGS and CMAKE_CXX_FLAGS, as a firmware build would give them, so
# that every part of the project (the allocation test's malloc interposer
# too) is proven to build and pass that way. The asan-clang and tsan presets
# hold the same flags.
# Usage: scripts/sanitize.sh [asan|tsan|all]   (default all)
#   asan: clang++ build of everything (fuzz targets included) with Address-
#         Sanitizer + UndefinedBehaviorSanitizer and warnings as errors, then
#         the whole test suite with halt_on_error (build/asan-clang, which
#         scripts/fuzz.sh uses too).
#   tsan: g++ ThreadSanitizer build of the library's tests (contexts on
#         threads reading the capability counts once), the host kit tests and
#         the concurrency stress test; runs them, the stress test in both
#         freshness modes of the host kit (build/tsan);
#         STRELL_STRESS_OPERATIONS (per thread, default 3000) and
#         STRELL_STRESS_REWRITES (default 300) size the run.
set -euo pipefail
cd "$(dirname "$0")/.."
job="${1:-all}"

if [[ $job == asan || $job == all ]]; then
  scripts/install-deps.sh base reliability
  flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
  cmake -S . -B build/asan-clang -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_FLAGS="$flags" \
    -DCMAKE_CXX_FLAGS="$flags" -DSTRELL_SANITIZE= -DSTRELL_WERROR=ON -DSTRELL_BUILD_TESTS=ON \
    -DSTRELL_BUILD_FUZZ=ON >/dev/null
  cmake --build build/asan-clang -j2
  ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=1" \
    UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
    ctest --test-dir build/asan-clang -j2 --output-on-failure
fi

if [[ $job == tsan || $job == all ]]; then
  scripts/install-deps.sh base
  flags="-fsanitize=thread -fno-omit-frame-pointer"
  cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=gcc \
    -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
    -DSTRELL_SANITIZE= -DSTRELL_WERROR=ON -DSTRELL_BUILD_TESTS=ON >/dev/null
  cmake --build build/tsan -j2 --target strell_stress_test strell_host_tests \
    strell_library_tests
  export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
  build/tsan/tests/library/strell_library_tests --gtest_brief=1
  build/tsan/tests/host/strell_host_tests --gtest_brief=1
  for mode in strict watch; do
    build/tsan/tests/reliability/strell_stress_test "$mode" "${STRELL_STRESS_OPERATIONS:-3000}" \
      "${STRELL_STRESS_REWRITES:-300}"
  done
fi
