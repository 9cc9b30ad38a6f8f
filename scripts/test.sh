#!/usr/bin/env bash
# Installs what is missing, builds Orvalis with its tests and runs them all with CTest on Qt's offscreen
# platform. Extra arguments go to ctest (for example -R imagelist).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${ORVALIS_BUILD_DIR:-"$root/build"}

"$root/scripts/install-deps.sh" test
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVALIS_BUILD_TESTS=ON -DORVALIS_BUILD_BENCH=ON
cmake --build "$build"

runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$runtime"
cd "$build"
ctest --output-on-failure --timeout 300 "$@"
