#!/usr/bin/env bash
# shellcheck source-path=SCRIPTDIR
# The end-to-end run in an Xorg session: Xorg with the dummy driver, one 3840 x 1080 screen split by
# RandR into two monitors of 1920 x 1080 side by side (scripts/e2e/xserver.sh), driven with xdotool and
# seen through screenshots (scripts/e2e/x11.sh). No window manager runs but for the hot-plug section,
# which runs under openbox. The sections of scripts/e2e/scenarios/ run in order: the show, the scaled
# monitor, the damaged files, the presenter view, the hot-plug run, the operator's evening, the
# photographs run and a club's archive of 20,000 photographs in the list.
#
# Usage: scripts/e2e/xorg.sh BUILD_DIR SHOTS_DIR
#   As scripts/e2e.sh runs it: bin/orvalis built in BUILD_DIR, the screenshots and logs to SHOTS_DIR.
#
# Needs root (to start Xorg) and the Debian packages xserver-xorg-core, xserver-xorg-video-dummy,
# x11-xserver-utils, x11-utils, xdotool, imagemagick, libimage-exiftool-perl, libopenjp2-tools,
# python3-pil, openbox, mate-backgrounds (the photographs) and util-linux (unshare, for the sections that
# run the program in a clean root for the README's screenshots, scripts/e2e/clean-root.sh).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/common.sh"
source "$here/xserver.sh"
source "$here/x11.sh"
source "$here/scenarios/show.sh"
source "$here/scenarios/scaled.sh"
source "$here/scenarios/damaged.sh"
source "$here/scenarios/presenter.sh"
source "$here/scenarios/hotplug.sh"
source "$here/scenarios/evening.sh"
source "$here/scenarios/photographs.sh"
source "$here/scenarios/longlist.sh"

session_begin "$@"
stop_session() { xserver_stop; }

need_x_tools
need xprop x11-utils
need openbox openbox
need exiftool libimage-exiftool-perl
need opj_compress libopenjp2-tools
need unshare util-linux
"$python" -c 'import PIL.ImageGrab' 2>/dev/null ||
    fail "$python cannot import PIL (Debian package python3-pil)"

if ! xserver_start "$work"; then
    cp "$work/Xorg.out" "$shots/Xorg.out" 2>/dev/null || true
    fail "Xorg with the dummy driver did not start (it must run as root; see $shots/Xorg.out and Xorg.log)"
fi
display=$xserver_display
export DISPLAY=$display QT_QPA_PLATFORM=xcb
xserver_monitors || fail "xrandr did not make two 1920 x 1080 monitors side by side: $(xrandr --listmonitors)"
pass "Xorg on $DISPLAY with two monitors of 1920 x 1080 side by side"

# --- What the hot-plug section asks of the session ------------------------------------------------------

# openbox manages the windows there, as on the operator's desktop, undecorated so that the main window
# fills monitor 1 as before.
window_manager=openbox
openbox_start() {
    cat >"$work/openbox.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <applications><application class="*"><decor>no</decor></application></applications>
</openbox_config>
XML
    openbox --config-file "$work/openbox.xml" --sm-disable >"$work/openbox.log" 2>&1 &
    openbox_pid=$!
    window_manager_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
    wait_for "$step_timeout" "openbox did not start" window_manager_running
    pass "openbox manages the windows"
}
openbox_stop() {
    kill "$openbox_pid" 2>/dev/null || true
    wait "$openbox_pid" 2>/dev/null || true
}

# Monitor 2 is the dummy driver's second output: RandR switches it off (Qt reports the monitor removed),
# on again, and to another resolution.
audience_output=DUMMY1
audience_off() {
    xrandr --output DUMMY1 --off
    single_monitor() { [[ "$(xrandr --listmonitors | head -n 1)" == "Monitors: 1" ]]; }
    wait_for "$step_timeout" "xrandr did not switch DUMMY1 off" single_monitor
}
audience_on() { xrandr --output DUMMY1 --mode 1920x1080_60 --right-of DUMMY0; }
# audience_resolution WIDTH HEIGHT: 1920 x 1080 (as xserver.sh made it) or 1280 x 720, at 60 Hz.
audience_resolution() {
    if [[ "$1x$2" == 1280x720 ]]; then
        xrandr --newmode "1280x720_60" 74.50 1280 1344 1472 1664 720 723 728 748 -hsync +vsync 2>/dev/null || true
        xrandr --addmode DUMMY1 1280x720_60 2>/dev/null || true
    fi
    xrandr --output DUMMY1 --mode "${1}x${2}_60"
}

# --- The sections ---------------------------------------------------------------------------------------

make_pictures
user_folders
show_run
scaled_run
damaged_run
presenter_run
openbox_start
hotplug_run
evening_run
openbox_stop
photographs_run
longlist_run
