#!/usr/bin/env bash
# Installs what is missing, builds Orvalis and starts it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${ORVALIS_BUILD_DIR:-"$root/build"}

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --target orvalis
exec "$build/bin/orvalis" "$@"
