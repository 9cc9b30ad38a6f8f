#!/usr/bin/env bash
# shellcheck source-path=SCRIPTDIR
# The end-to-end run in a GNOME session: GNOME Shell 43 headless on Wayland with two virtual monitors of
# 1920 x 1080 side by side (scripts/e2e/gnome-shell.sh), in a corner of the machine of its own and as an
# ordinary user (scripts/e2e/wayland.sh), the program on Qt's Wayland platform or on XWayland. The section
# scenarios/desktop.sh runs, monitor 2 taken away and put back during its show.
#
# Usage: scripts/e2e/gnome.sh BUILD_DIR SHOTS_DIR PLATFORM
#   As scripts/e2e.sh runs it: bin/orvalis built in BUILD_DIR, the screenshots and logs to SHOTS_DIR (the
#   session's own folder), PLATFORM the program's: wayland, or xcb for XWayland.
#
# Needs root (for the namespace and the session's user) and the Debian packages gnome-shell, mutter,
# xwayland, qt6-wayland, dbus, libglib2.0-bin, iproute2 and python3-pil.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/common.sh"
source "$here/wayland.sh"
source "$here/gnome-shell.sh"
source "$here/scenarios/desktop.sh"

wayland_enter "$@"
export QT_QPA_PLATFORM=$3
wayland_begin "$1" "$2"
stop_session() { gnome_stop; }
wayland_needs gnome-shell mutter xwayland qt6-wayland dbus libglib2.0-bin

gnome_start || fail "GNOME Shell did not come up (see $shots/gnome-shell.log)"
display=$WAYLAND_DISPLAY
wayland_ready "GNOME Shell"

desktop_places=1
desktop_unplugs=1
desktop_run
