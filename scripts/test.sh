#!/usr/bin/env bash
# Installs what is missing, builds Orvalis with its tests and runs them all with CTest on Qt's offscreen
# platform. Extra arguments go to ctest (for example -R imagelist).
#
# The build folder is $ORVALIS_BUILD_DIR, else build/. It holds no benchmark programs: scripts/bench.sh
# builds and runs those in a folder of its own. A folder configured with them before is switched off
# and their programs taken out of it, so that none is left behind out of date.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${ORVALIS_BUILD_DIR:-"$root/build"}

"$root/scripts/install-deps.sh" test
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVALIS_BUILD_TESTS=ON -DORVALIS_BUILD_BENCH=OFF
ninja -C "$build" -t cleandead >/dev/null
cmake --build "$build"

runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$runtime"
cd "$build"
ctest --output-on-failure --timeout 300 "$@"
