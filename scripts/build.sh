#!/usr/bin/env bash
# Configures and builds one build tree:
#   scripts/build.sh DIR [cmake options...] [-- targets...]
# Uses ccache when the machine has it (several work trees share one cache).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1; shift
options=()
targets=()
while (($#)); do
    if [[ $1 == -- ]]; then
        shift
        targets=("$@")
        break
    fi
    options+=("$1")
    shift
done
if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1
    options+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$dir" -G Ninja "${options[@]}" >/dev/null
if ((${#targets[@]})); then
    cmake --build "$dir" --target "${targets[@]}"
else
    cmake --build "$dir"
fi
