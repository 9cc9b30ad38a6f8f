#!/usr/bin/env bash
# shellcheck source-path=SCRIPTDIR
# Runs the whole program end to end in each kind of desktop session it is checked on, two monitors side
# by side, driving it only with the keyboard and the mouse and checking the monitors from screenshots.
# Each kind of session has a small entry of its own that starts its display server and runs its sections
# in order; the sessions, in the order they run:
#
#   xorg            scripts/e2e/xorg.sh: Xorg with two dummy monitors (scripts/e2e/xserver.sh), driven with
#                   xdotool (scripts/e2e/x11.sh); openbox for the hot-plug section
#   gnome-wayland   scripts/e2e/gnome.sh: GNOME Shell 43 headless with two virtual monitors
#                   (scripts/e2e/gnome-shell.sh), the program on Qt's Wayland platform; screenshots, window
#                   list and virtual pointer and keyboard through the shell's D-Bus interfaces
#   gnome-xwayland  the same with the program on XWayland
#   sway-wayland    scripts/e2e/sway.sh: sway 1.7 headless with two outputs (scripts/e2e/sway-session.sh),
#                   the program on Qt's Wayland platform; screenshots with grim, the window list from
#                   swaymsg, pointer and keyboard through wayvnc and a small VNC client (scripts/e2e/vnc.py)
#   sway-xwayland   the same with the program on XWayland, where nothing can place a window
#
# The Wayland sessions run in a corner of the machine of their own (a private namespace: their own /tmp
# and network) as an ordinary user, through the driver of scripts/e2e/wayland.sh.
#
# The sections (scripts/e2e/scenarios/), written against the helpers every session shares
# (scripts/e2e/common.sh) and the session's driver; the Xorg session runs all but the last, the Wayland
# sessions the last alone:
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
#   evening.sh      the operator's evening: the pointer hidden over monitor 2, "B" holding the advance,
#                   the keyboard staying in the main window while monitor 2 comes back
#   photographs.sh  real photographs: a folder on the command line, a second start handing a photograph
#                   to the running program, the README's readme-main-window.png and
#                   readme-presentation-monitor.png
#   desktop.sh      where the compositor places the windows: red, green and blue pictures of a monitor's
#                   size, "Identify" labelling each monitor, the show filling monitor 2 and leaving
#                   monitor 1 uncovered, the presenter window with the keyboard, monitor 2 taken away and
#                   put back (GNOME), nothing on the program's standard error
#
# The screenshot checks are scripts/e2e/screens.py's (with hotplug.py, presenter.py and desktop.py for
# their sections).
#
# Usage: scripts/e2e.sh [BUILD_DIR [SHOTS_DIR]]
#   BUILD_DIR  the build folder (default $ORVALIS_BUILD_DIR, else build/); bin/orvalis is built there
#              when missing.
#   SHOTS_DIR  where the screenshots go (default $E2E_SHOTS, else BUILD_DIR/e2e-shots): the Xorg
#              session's there, among them readme-main-window.png, readme-presentation-monitor.png and
#              readme-presenter-view.png for the README; each other session's in a folder named after it
#              (SHOTS_DIR/gnome-wayland/, ...).
#   E2E_SESSIONS   the sessions to run, by name, separated by spaces (default: all, in the order above),
#              e.g. E2E_SESSIONS="gnome-wayland sway-xwayland"
#   E2E_KEEP_GOING=1   a failed check of the program does not end its session (when exploring, not in
#              CI); the session still ends with a non-zero status
#
# Needs root (to start Xorg, and for the Wayland sessions' namespaces and user) and the Debian packages
# each session names (scripts/install-deps.sh installs them). Every check prints a line as it passes; the
# first failure ends its session, the run goes on with the next and ends with a non-zero exit status
# naming the sessions that failed.
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

# The sessions: name, entry and the entry's arguments after BUILD_DIR and SHOTS_DIR.
declare -A entries=(
    [xorg]="xorg.sh"
    [gnome-wayland]="gnome.sh wayland"
    [gnome-xwayland]="gnome.sh xcb"
    [sway-wayland]="sway.sh wayland"
    [sway-xwayland]="sway.sh xcb"
)
read -r -a sessions <<<"${E2E_SESSIONS:-xorg gnome-wayland gnome-xwayland sway-wayland sway-xwayland}"
for name in "${sessions[@]}"; do
    [[ -n "${entries[$name]:-}" ]] || {
        echo "E2E_SESSIONS: no session \"$name\" (there are: ${!entries[*]})" >&2
        exit 2
    }
done
mkdir -p "$shots"

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

# run_session NAME: runs the session's entry; its screenshots and logs of an earlier run go first (the
# folder may be one the user named).
failed=()
run_session() {
    local name=$1 folder=$shots session_started status=0
    local -a entry
    read -r -a entry <<<"${entries[$name]}"
    [[ "$name" == xorg ]] || folder="$shots/$name"
    mkdir -p "$folder"
    rm -f "$folder"/*.png "$folder"/*.log
    echo "---- $name"
    session_started=$(date +%s)
    "$e2e/${entry[0]}" "$build" "$folder" "${entry[@]:1}" &
    session_pid=$!
    wait "$session_pid" || status=$?
    session_pid=""
    if ((status == 0)); then
        pass "session $name: all checks passed in $(($(date +%s) - session_started)) s"
    else
        echo "FAIL session $name ended with status $status after $(($(date +%s) - session_started)) s" >&2
        failed+=("$name")
    fi
}

for name in "${sessions[@]}"; do
    run_session "$name"
done

if ((${#failed[@]} > 0)); then
    echo "FAIL sessions that failed: ${failed[*]}; screenshots and logs in $shots" >&2
    exit 1
fi
pass "all checks passed in $(($(date +%s) - started)) s; screenshots in $shots"
