#!/usr/bin/env bash
# Start-up of Sondrel next to a minimal Qt Widgets program with one window,
# both built in the same tree and shown on the same Qt platform: time from
# launch to the window shown, the CPU time the process used up to then, and
# the resident memory after half a second of idling; median of RUNS runs each.
# The runs of the two programs alternate, so that a change in the machine's
# load during the benchmark falls on both alike. On a busy machine the CPU
# time is the steadier figure: the wall time also holds the time waited for a
# processor. The same minimal window with one line of text is measured too, for
# information: the empty window never loads a font.
# Usage: bench/startup_bench.sh [build-dir] [runs]   (default build/main, 9)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/main}
runs=${2:-9}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
programs=(startup_sondrel minimal_window minimal_window_label)
for program in startup_sondrel minimal_window; do
    [[ -x $build/bench/startup/$program ]] || { echo "build $program first" >&2; exit 1; }
done
launch() { # program name: the minimal window with a label is minimal_window label
    if [[ $1 == minimal_window_label ]]; then
        "$build/bench/startup/minimal_window" label
    else
        "$build/bench/startup/$1"
    fi
}

results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT
for program in "${programs[@]}"; do
    launch "$program" >/dev/null 2>&1 # warm the file caches
done
for ((i = 0; i < runs; i++)); do
    for program in "${programs[@]}"; do
        SONDREL_LAUNCH_NS=$(date +%s%N) launch "$program" 2>/dev/null |
            tail -n 1 >>"$results/$program"
    done
done

median() { # median of column $1 of file $2
    awk -v c="$1" '{ print $c }' "$2" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
row() { # label unit scale column
    local ours minimal
    ours=$(median "$4" "$results/startup_sondrel")
    minimal=$(median "$4" "$results/minimal_window")
    printf '%-34s %8.1f%s %8.1f%s %7.2fx\n' "$1" "$(echo "$ours / $3" | bc -l)" "$2" \
        "$(echo "$minimal / $3" | bc -l)" "$2" "$(echo "$ours / $minimal" | bc -l)"
}
printf '\n%-34s %10s %10s %8s\n' "start-up ($QT_QPA_PLATFORM, median of $runs)" sondrel minimal ratio
row "launch to main window shown" ms 1 1
row "CPU time up to the window shown" ms 1 3
row "idle resident memory" MB 1024 2
echo "(ratio = sondrel / minimal; target <= 1.5)"
printf 'the minimal window with one line of text: %.1f ms, CPU %.1f ms, %.1f MB\n' \
    "$(median 1 "$results/minimal_window_label")" "$(median 3 "$results/minimal_window_label")" \
    "$(echo "$(median 2 "$results/minimal_window_label") / 1024" | bc -l)"
