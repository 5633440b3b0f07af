#!/usr/bin/env bash
# Installs what is missing, builds Sondrel and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh
scripts/build.sh build/main -DSONDREL_BENCH=OFF
if [[ -x build/main/bin/sondrel ]]; then
    exec build/main/bin/sondrel "$@"
fi
echo "The application is not built yet; what there is:"
ls build/main/bin
