#!/usr/bin/env bash
# Builds every libFuzzer target with clang and runs each for the given seconds
# (default 60) on a scratch corpus seeded from fuzz/<target>/ when present.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=$root/build/fuzz
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DSONDREL_FUZZ=ON -DSONDREL_GUI=OFF \
    -DSONDREL_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target fuzzers
shopt -s nullglob
for fuzzer in "$build"/fuzz/*; do
    [[ -x "$fuzzer" && -f "$fuzzer" ]] || continue
    name=$(basename "$fuzzer")
    corpus=$(mktemp -d)
    [[ -d "$root/fuzz/$name" ]] && cp -r "$root/fuzz/$name/." "$corpus/"
    echo "fuzzing $name for ${seconds}s"
    "$fuzzer" -max_total_time="$seconds" -print_final_stats=0 "$corpus" 2>"$corpus.log" \
        || { tail -40 "$corpus.log"; exit 1; }
    grep -E '^(#[0-9]+ *DONE|Done)' "$corpus.log" | tail -1 || true
    rm -rf "$corpus" "$corpus.log"
done
