#!/usr/bin/env bash
# Installs what is missing, builds what ships in Release with the flags a
# Debian package build uses (build/release), and writes the Debian package
#   build/package/sondrel_<version>_<arch>.deb
# then shows what lintian says of it (its errors fail the script).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh

# Debian's optimisation and hardening flags (stack protector, fortified
# functions, read-only relocations bound at start-up, position-independent
# programs). CMake has no preprocessor flag variable of its own.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
flag() { dpkg-buildflags --get "$1"; }
cflags="$(flag CFLAGS) $(flag CPPFLAGS)"
cxxflags="$(flag CXXFLAGS) $(flag CPPFLAGS)"
ldflags=$(flag LDFLAGS)
scripts/build.sh build/release -DCMAKE_BUILD_TYPE=Release -DSONDREL_BENCH=OFF \
    "-DCMAKE_C_FLAGS=$cflags" "-DCMAKE_CXX_FLAGS=$cxxflags" \
    "-DCMAKE_EXE_LINKER_FLAGS=$ldflags" "-DCMAKE_MODULE_LINKER_FLAGS=$ldflags" \
    "-DCMAKE_SHARED_LINKER_FLAGS=$ldflags" -- shipped

rm -rf build/package
cpack --config build/release/CPackConfig.cmake -B build/package >build/release/cpack.log 2>&1 ||
    { cat build/release/cpack.log; exit 1; }
rm -rf build/package/_CPack_Packages
deb=$(echo build/package/*.deb)
lintian --fail-on error "$deb"
echo "wrote $deb"
