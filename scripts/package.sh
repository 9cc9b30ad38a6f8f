#!/usr/bin/env bash
# Builds the Debian package orvalis_<version>_amd64.deb: a Release build with Debian's hardening flags
# (dpkg-buildflags), installed under /usr with its binaries stripped as dh_strip strips them and packed
# by CPack's DEB generator, its dependencies taken from the binaries by dpkg-shlibdeps
# (packaging/CMakeLists.txt says what else it depends on and recommends). The package has no maintainer
# scripts, so that apt-get remove leaves nothing of it behind. Prints the package's path as its last
# line.
#
# Usage: scripts/package.sh [BUILD_DIR]
#   BUILD_DIR  the Release build (default $ORVALIS_PACKAGE_BUILD_DIR, else build-package/); the package
#              lands there.
# Check the package with scripts/check-package.sh.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${1:-${ORVALIS_PACKAGE_BUILD_DIR:-"$root/build-package"}}")

"$root/scripts/install-deps.sh" package

# The flags a Debian package is built with: fortified functions, stack protector, read-only relocations
# bound at start.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DORVALIS_BUILD_TESTS=OFF -DORVALIS_BUILD_BENCH=OFF -DORVALIS_BUILD_FUZZ=OFF -DORVALIS_SANITIZE=OFF \
    -DORVALIS_SANITIZE_THREAD=OFF -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
    -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" -DCMAKE_MODULE_LINKER_FLAGS="$ldflags"
cmake --build "$build" -j2
rm -f "$build"/orvalis_*.deb
(cd "$build" && cpack -G DEB)
package=$(ls "$build"/orvalis_*_amd64.deb)
echo "package: $package"
