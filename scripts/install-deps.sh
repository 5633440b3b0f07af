#!/usr/bin/env bash
# Installs the Debian packages of scripts/packages.txt that are not installed yet;
# with --bench also those of its [bench] part, which only the benchmarks use.
# Safe to run again: when nothing is missing it does nothing and needs no root.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

bench=0
[[ ${1:-} == --bench ]] && bench=1
mapfile -t wanted < <(sed -e 's/#.*//' -e 's/[[:space:]]//g' "$here/packages.txt" |
    awk -v bench=$bench '$0 == "[bench]" { if (!bench) exit; next } NF')
missing=()
for pkg in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
