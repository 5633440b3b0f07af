#!/usr/bin/env bash
# Every benchmark in one command: installs what is missing, builds in Release
# in build/bench, runs each benchmark program and script, and ends with a
# table of the figures and ratios that have targets.
#   bench/run.sh             batches of 100 and 1,000 files
#   bench/run.sh --large     also the batch of 10,000 files (several minutes)
# Full outputs are kept in build/bench/results/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/bench
files=100,1000
if [[ ${1:-} == --large ]]; then
    files=100,1000,10000
fi
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build" -DCMAKE_BUILD_TYPE=Release -DSONDREL_BENCH=ON
results=$build/results
mkdir -p "$results"
export QT_QPA_PLATFORM=offscreen PATH=$build/bin:$PATH

for program in "$build"/bench/*; do
    [[ -x "$program" && -f "$program" ]] || continue
    name=$(basename "$program")
    echo "== $name =="
    if [[ $name == app_bench ]]; then
        SONDREL_BENCH_FILES=$files "$program" | tee "$results/$name.txt"
    else
        "$program" | tee "$results/$name.txt"
    fi
done
echo "== afconvert against ffmpeg =="
"$root/bench/afconvert_bench.sh" "$build" | tee "$results/afconvert.txt"
echo "== start-up =="
"$root/bench/startup_bench.sh" "$build" | tee "$results/startup.txt"

echo
echo "================ summary ($(nproc) cores, $(uname -m), $(date -u +%F)) ================"
echo "-- batch of N one-second WAV files to IMA4, best of alternating rounds (targets: overhead"
echo "   < 2 ms/file, flat in N; the main thread busy < 50 ms in one go: longest_busy_cpu_ms is"
echo "   its own CPU time between two event waits, longest_gap_wall_ms the wall time, which also"
echo "   holds the wait's 10 ms timeout and time not scheduled; memory per file: heap growth"
echo "   against the log's own (log_freed) and what later rounds keep beyond the log)"
grep -E '^BM_BatchOfOneSecondFiles' "$results/app_bench.txt" |
    sed -E 's/ +[0-9.]+ ms +[0-9.]+ ms +1 +/ /' | tr ' ' '\n' | sed -E 's/^([a-z])/    \1/' || true
echo "-- the log: one file's log work against the log's length (target: flat)"
grep -E '^BM_LogLineOfOneFile' "$results/editor_bench.txt" || true
echo "-- the converter (ratio = ffmpeg time / afconvert time)"
grep -E '^\(|^    ' "$results/afconvert.txt" || true
echo "-- start-up"
tail -n 5 "$results/startup.txt"
