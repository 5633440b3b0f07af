#!/usr/bin/env bash
# Installs the build into a scratch prefix, as a user would into ~/.local, and
# checks what is there and that the installed converter works.
#   install_test.sh BUILD_DIR SCRATCH
set -euo pipefail
build=$1 scratch=$2
# shellcheck source=packaging/tests/installed_tree.sh
source "$(dirname "$0")/installed_tree.sh"

rm -rf "$scratch"
mkdir -p "$scratch"
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
check_file_set "$scratch/prefix"
check_desktop_files "$scratch/prefix"
check_converts "$scratch/prefix" "$scratch"
rm -rf "$scratch"
