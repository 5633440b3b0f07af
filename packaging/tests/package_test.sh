#!/usr/bin/env bash
# Packs the build tree it is given into the Debian package, unpacks that into a
# scratch root and checks the package's fields, its files, that every library
# the programs need is found, that the unpacked converter converts, and that
# lintian finds no error.
#   package_test.sh BUILD_DIR SCRATCH
set -euo pipefail
build=$1 scratch=$2
# shellcheck source=packaging/tests/installed_tree.sh
source "$(dirname "$0")/installed_tree.sh"

rm -rf "$scratch"
mkdir -p "$scratch"
cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; fail "cpack"; }
debs=("$scratch"/out/*.deb)
((${#debs[@]} == 1)) || fail "expected one package, found: ${debs[*]}"
deb=${debs[0]}

version=$(dpkg-deb -f "$deb" Version)
[[ $(basename "$deb") == "sondrel_${version}_$(dpkg --print-architecture).deb" ]] ||
    fail "unexpected package name $(basename "$deb")"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in 'libc6 ' 'libqt6gui6 ' 'libavformat[0-9]+ ' 'libavcodec[0-9]+ ' 'qt6-qpa-plugins'; do
    [[ $depends =~ $needed ]] || fail "Depends lacks ${needed% }: $depends"
done
# Every entry belongs to root.
if dpkg-deb -c "$deb" | awk '$2 != "root/root"' | grep .; then
    fail "entries not owned by root"
fi

dpkg -x "$deb" "$scratch/root"
[[ $(ls "$scratch/root") == usr ]] || fail "the package installs outside /usr"
check_file_set "$scratch/root/usr"
check_desktop_files "$scratch/root/usr"
for binary in bin/sondrel bin/afconvert lib/sondrel/afconvert-engine.so lib/sondrel/afconvert-server; do
    if ldd "$scratch/root/usr/$binary" | grep 'not found'; then
        fail "$binary needs libraries the system lacks"
    fi
done
check_converts "$scratch/root/usr" "$scratch"
# The copyright file gives the program's licence by its SPDX name.
grep -qx 'License: MIT' "$scratch/root/usr/share/doc/sondrel/copyright" ||
    fail "the copyright file does not say the program is MIT-licensed"
# The unpacked program starts and knows its version without a display.
[[ $(QT_QPA_PLATFORM=offscreen timeout 30 "$scratch/root/usr/bin/sondrel" --version) == *"$version"* ]] ||
    fail "sondrel --version"

lintian --fail-on error --no-tag-display-limit "$deb" >"$scratch/lintian.log" 2>&1 ||
    { cat "$scratch/lintian.log"; fail "lintian reports errors"; }
rm -rf "$scratch"
