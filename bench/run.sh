#!/usr/bin/env bash
# Builds the project in Release and runs every benchmark program in build/bench/bench/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build/bench" -DCMAKE_BUILD_TYPE=Release -DSONDREL_BENCH=ON
for program in "$root"/build/bench/bench/*; do
    [[ -x "$program" && -f "$program" ]] || continue
    echo "== $(basename "$program") =="
    "$program" "$@"
done
