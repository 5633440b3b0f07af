#!/usr/bin/env bash
# Start-up of Sondrel next to a minimal Qt Widgets program with one window,
# both built in the same tree: time from launch to the window shown and the
# resident memory after half a second of idling, median of RUNS runs each.
# Usage: bench/startup_bench.sh [build-dir] [runs]   (default build/main, 7)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/main}
runs=${2:-7}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
for program in startup_sondrel minimal_window; do
    [[ -x $build/bench/startup/$program ]] || { echo "build $program first" >&2; exit 1; }
done

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
measure() { # "median_ms median_kB" of one program
    local program=$1 results=() i
    "$program" >/dev/null # warm the caches
    for ((i = 0; i < runs; i++)); do
        results+=("$(SONDREL_LAUNCH_NS=$(date +%s%N) "$program")")
    done
    printf '%s\n' "${results[@]}" | awk '{print $1}' | median
    printf '%s\n' "${results[@]}" | awk '{print $2}' | median
}
mapfile -t ours < <(measure "$build/bench/startup/startup_sondrel")
mapfile -t minimal < <(measure "$build/bench/startup/minimal_window")

printf '\n%-34s %10s %10s %8s\n' "start-up (median of $runs)" "sondrel" "minimal" "ratio"
printf '%-34s %8.1fms %8.1fms %7.2fx\n' "launch to main window shown" "${ours[0]}" "${minimal[0]}" \
    "$(echo "${ours[0]} / ${minimal[0]}" | bc -l)"
printf '%-34s %7.1fMB %7.1fMB %7.2fx\n' "idle resident memory" "$(echo "${ours[1]} / 1024" | bc -l)" \
    "$(echo "${minimal[1]} / 1024" | bc -l)" "$(echo "${ours[1]} / ${minimal[1]}" | bc -l)"
echo "(ratio = sondrel / minimal; target <= 1.5)"
