#!/usr/bin/env bash
# Installs what building and running need (nothing of the tests), builds Orvalis and starts it with
# the given arguments.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${ORVALIS_BUILD_DIR:-"$root/build"}

"$root/scripts/install-deps.sh" run
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVALIS_BUILD_TESTS=OFF
cmake --build "$build" --target orvalis
exec "$build/bin/orvalis" "$@"
