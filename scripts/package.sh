#!/usr/bin/env bash
# Builds the Debian package of Zensoria and checks it with lintian, which must report neither
# an error nor a warning. Usage: scripts/package.sh [build folder, default build-release]
# The package is left in the build folder (zensoria_<version>_<arch>.deb).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh package

build=${1:-build-release}
# The distribution's hardening flags, as a Debian build gets them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZENSORIA_TESTS=OFF \
    -DZENSORIA_BENCH=OFF -DZENSORIA_SANITIZE=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake --build "$build"
rm -f "$build"/zensoria_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/zensoria_*.deb)
echo "Checking $deb with lintian"
lintian --info --display-info --fail-on error,warning "$deb"
echo "lintian: no errors, no warnings"
