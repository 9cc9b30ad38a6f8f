#!/usr/bin/env bash
# shellcheck source-path=SCRIPTDIR
# Runs the whole program end to end in each kind of desktop session it is checked on, two monitors side
# by side, driving it only with the keyboard and the mouse and checking the monitors from screenshots.
# Each kind of session has a small entry of its own that starts its display server and runs the
# sections in order; today there is one:
#
#   scripts/e2e/xorg.sh    Xorg with two dummy monitors (scripts/e2e/xserver.sh), driven with xdotool
#                          (scripts/e2e/x11.sh); openbox for the hot-plug section
#
# The sections (scripts/e2e/scenarios/), written against the helpers every session shares
# (scripts/e2e/common.sh) and the session's driver:
#
#   show.sh         a fresh per-user folder, File > Load Last Image List, a watermarked slideshow on
#                   monitor 2 that advances and wraps, Escape, File > Exit while the show runs, the last
#                   image list and the settings file it leaves
#   scaled.sh       at QT_SCALE_FACTOR=2, a one-pixel checkerboard on monitor 2 pixel for pixel
#   damaged.sh      files that crash or stall the generic decoder or declare gigapixels: "not supported"
#                   thumbnails, black frames, the show goes on, File > Exit with a stalled decoder
#   presenter.sh    the presenter view on monitor 1 with real photographs, driven as by a remote
#                   (readme-presenter-view.png for the README)
#   hotplug.sh      monitor 2 switched off and on again during a show, and to another resolution
#   photographs.sh  real photographs: a folder on the command line, a second start handing a photograph
#                   to the running program, the README's readme-main-window.png and
#                   readme-presentation-monitor.png
#
# The screenshot checks are scripts/e2e/screens.py's (with hotplug.py and presenter.py for their
# sections).
#
# Usage: scripts/e2e.sh [BUILD_DIR [SHOTS_DIR]]
#   BUILD_DIR  the build folder (default $ORVALIS_BUILD_DIR, else build/); bin/orvalis is built there
#              when missing.
#   SHOTS_DIR  where the screenshots go (default $E2E_SHOTS, else BUILD_DIR/e2e-shots), among them
#              readme-main-window.png, readme-presentation-monitor.png and readme-presenter-view.png
#              for the README.
#
# Needs root (to start Xorg) and the Debian packages each session names (scripts/install-deps.sh installs
# them). Every check prints a line as it passes; the first failure ends the run with a non-zero exit
# status.
set -euo pipefail

source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/e2e/common.sh"
"$root/scripts/install-deps.sh"
build=$(realpath -m "${1:-${ORVALIS_BUILD_DIR:-"$root/build"}}")
shots=$(realpath -m "${2:-${E2E_SHOTS:-"$build/e2e-shots"}}")
started=$(date +%s)

if [[ ! -x "$build/bin/orvalis" ]]; then
    echo "building orvalis in $build"
    if [[ ! -f "$build/CMakeCache.txt" ]]; then
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
    fi
    cmake --build "$build" --target orvalis
fi

# Only the screenshots and logs of an earlier run go: the folder may be one the user named.
mkdir -p "$shots"
rm -f "$shots"/*.png "$shots"/*.log

# A session runs in the background of this script so that a signal for it is handled at once: the
# session ends its program and its display server before this script ends.
session_pid=""
end_session() {
    if [[ -n "$session_pid" ]]; then
        kill -TERM "$session_pid" 2>/dev/null || true
        wait "$session_pid" 2>/dev/null || true
    fi
    exit 130
}
trap end_session INT TERM

# run_session ENTRY: runs a kind of session's entry; its failure ends this script with its status.
run_session() {
    "$1" "$build" "$shots" &
    session_pid=$!
    wait "$session_pid"
    session_pid=""
}

run_session "$e2e/xorg.sh"

pass "all checks passed in $(($(date +%s) - started)) s; screenshots in $shots"
