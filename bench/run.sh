#!/usr/bin/env bash
# Every benchmark in one command: installs what is missing, builds in Release
# in build/bench, runs each benchmark program and script, and ends with a
# table of the figures and ratios that have targets.
#   bench/run.sh             AAC batches against xargs and ffmpeg on every core,
#                            IMA4 batches of 100 and 1,000 files
#   bench/run.sh --large     also the IMA4 batch of 10,000 files (several minutes)
# Full outputs are kept in build/bench/results/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/bench
files=100,1000
if [[ ${1:-} == --large ]]; then
    files=100,1000,10000
fi
"$root/scripts/install-deps.sh" --bench
"$root/scripts/build.sh" "$build" -DCMAKE_BUILD_TYPE=Release -DSONDREL_BENCH=ON
results=$build/results
mkdir -p "$results"
export QT_QPA_PLATFORM=offscreen PATH=$build/bin:$PATH
load_start=$(cut -d' ' -f1-3 /proc/loadavg)

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

load_end=$(cut -d' ' -f1-3 /proc/loadavg)

# The counters of one benchmark line of app_bench, one per line, indented.
counters() { sed -E 's/ +[0-9.]+ ms +[0-9.]+ ms +1 +/ /' | tr ' ' '\n' | sed -E 's/^([a-z])/    \1/'; }
echo
echo "================ summary ($(nproc) cores, $(uname -m), $(date -u +%F)) ================"
echo "load average (1, 5, 15 min): $load_start at the start, $load_end at the end; wall times"
echo "on a loaded machine stretch, CPU times much less"
echo "-- 120 one-second WAVs to AAC 128 kbps, one drop on every core, best of alternating rounds"
echo "   (targets: app_per_xargs <= 1.15, ffmpeg_per_app >= 3; CPU in app_cpu_s: application,"
echo "   converter servers and converters)"
grep -E '^BM_AacAgainstPeers' "$results/app_bench.txt" | counters || true
echo "-- 100 WAVs of 50 ms to AAC: per file in the batch (slots=1, then every core) against the"
echo "   converter run once per file from a shell loop (target: batch_ms_per_file <= 10 with one"
echo "   slot; most of what remains is the AAC encoder's own work on the stream)"
grep -E '^BM_AacFixedCost' "$results/app_bench.txt" | counters || true
echo "-- peak memory of application, converter servers and converters, 120 one-second WAVs to"
echo "   AAC, against the job slots (tree_peak_rss_MB counts shared library pages in every"
echo "   process, tree_peak_pss_MB shares them out)"
grep -E '^BM_AacBatchMemory' "$results/app_bench.txt" | counters || true
echo "-- batch of N one-second WAV files to IMA4 on 1 and every slot, best of alternating rounds"
echo "   (targets: batch_per_loop <= 2 with one slot, the per-file cost against the converter's"
echo "   own run; overhead < 2 ms/file, flat in N; the main thread busy < 50 ms in one go:"
echo "   longest_busy_cpu_ms is its own CPU time between two event waits, longest_gap_wall_ms the"
echo "   wall time, which also holds the wait's 10 ms timeout and time not scheduled; memory per"
echo "   file: heap growth against the log's own (log_freed) and what later rounds keep beyond"
echo "   the log)"
grep -E '^BM_BatchOfOneSecondFiles' "$results/app_bench.txt" | counters || true
echo "-- the log: one file's log work against the log's length (target: flat)"
grep -E '^BM_LogLineOfOneFile' "$results/editor_bench.txt" || true
echo "-- the converter (ratio = ffmpeg time / afconvert time)"
grep -E '^\(|^    ' "$results/afconvert.txt" || true
echo "-- start-up"
tail -n 5 "$results/startup.txt"
