#!/usr/bin/env bash
# shellcheck source-path=SCRIPTDIR
# The end-to-end run in a sway session: sway 1.7 headless with two outputs of 1920 x 1080 side by side
# (scripts/e2e/sway-session.sh), in a corner of the machine of its own and as an ordinary user (sway
# refuses root; scripts/e2e/wayland.sh), the program on Qt's Wayland platform or on XWayland. The section
# scenarios/desktop.sh runs; sway cannot take a headless output away. Under XWayland sway tiles every window
# wherever it likes: there the section checks only that the show keeps off monitor 1.
#
# Usage: scripts/e2e/sway.sh BUILD_DIR SHOTS_DIR PLATFORM
#   As scripts/e2e.sh runs it: bin/orvalis built in BUILD_DIR, the screenshots and logs to SHOTS_DIR (the
#   session's own folder), PLATFORM the program's: wayland, or xcb for XWayland.
#
# Needs root (for the namespace and the session's user) and the Debian packages sway, xwayland, grim,
# wayvnc, qt6-wayland, dbus, iproute2 and python3-pil.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/common.sh"
source "$here/wayland.sh"
source "$here/sway-session.sh"
source "$here/scenarios/desktop.sh"

wayland_enter "$@"
export QT_QPA_PLATFORM=$3
wayland_begin "$1" "$2"
stop_session() { sway_stop; }
wayland_needs sway xwayland grim wayvnc qt6-wayland dbus

sway_start || fail "sway or wayvnc did not come up (see $shots/sway.log and wayvnc.log)"
display=$WAYLAND_DISPLAY
wayland_ready sway

desktop_places=""
[[ "$QT_QPA_PLATFORM" != wayland ]] || desktop_places=1
desktop_unplugs=""
desktop_run
