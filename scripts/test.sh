#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#   1. the layers without Qt under AddressSanitizer and UndefinedBehaviorSanitizer,
#   2. a short run of every fuzz target (clang, libFuzzer),
#   3. the whole project, all tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh
jobs=$(nproc)

echo "== sanitizer build (address, undefined) =="
scripts/build.sh build/asan -DSONDREL_SANITIZE=ON -DSONDREL_GUI=OFF -DSONDREL_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build/asan --output-on-failure -j "$jobs" --timeout 600

echo "== fuzz targets =="
scripts/fuzz.sh "${SONDREL_FUZZ_SECONDS:-5}"

echo "== full build =="
scripts/build.sh build/main
ctest --test-dir build/main --output-on-failure -j "$jobs" --timeout 600
