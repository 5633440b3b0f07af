#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#   1. the whole project under AddressSanitizer and UndefinedBehaviorSanitizer,
#      all tests, the end-to-end ones included (the converter they start is
#      instrumented too),
#   2. the threaded parts under ThreadSanitizer: the runtime's threads, slots,
#      pools, program runner and event queue, the object runtime's per-thread
#      pools, and the batch worker with the real converter,
#   3. a short run of every fuzz target (clang, libFuzzer),
#   4. the whole project as it ships, all tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh
jobs=$(nproc)
# The sanitizer builds only check: lighter optimisation and line tables only
# build them in far less time, with stack traces still naming every line.
checked=(-DSONDREL_BENCH=OFF "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG"
         "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG")
stage() { echo "== $1 (${SECONDS}s) =="; }

stage "sanitizer build (address, undefined)"
scripts/build.sh build/asan -DSONDREL_SANITIZE=ON "${checked[@]}"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0 \
    ctest --test-dir build/asan --output-on-failure -j "$jobs" --timeout 900

# Qt is not built with ThreadSanitizer, so the application driven through
# Qt's own cross-thread event posting would only show the hand-overs the
# sanitizer cannot see; those tests run under AddressSanitizer above.
stage "thread sanitizer build (threaded parts)"
scripts/build.sh build/tsan -DSONDREL_TSAN=ON "${checked[@]}" -- \
    core_tests objc_tests system_tests windowing_tests app_tests
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build/tsan --output-on-failure -j "$jobs" \
    --timeout 900 -L '^(core|objc|system|windowing)_tests$' -E '^WindowSmoke\.'
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build/tsan --output-on-failure -j "$jobs" \
    --timeout 900 -R '^(Batch|Conversion|Reliability|ServerFaults)\.'

stage "fuzz targets"
scripts/fuzz.sh "${SONDREL_FUZZ_SECONDS:-5}"

stage "full build"
scripts/build.sh build/main
ctest --test-dir build/main --output-on-failure -j "$jobs" --timeout 600
stage "all passed"
