# shellcheck shell=bash disable=SC2154
# (Sourced: the variables it reads are set by scripts/e2e/common.sh and scripts/e2e/wayland.sh.)
# Sourced by the entry of the session on sway (scripts/e2e/sway.sh): sway 1.7 headless with two outputs
# of 1920 x 1080 side by side, and the compositor's part of the driver of scripts/e2e/wayland.sh: the
# window list from sway's IPC, screenshots with grim, the pointer and the keyboard through wayvnc serving
# output 1 to this run's own VNC client (scripts/e2e/vnc.py).
#
#   sway_start    starts sway and wayvnc as the session's user, under a session bus of their own; exports
#                 WAYLAND_DISPLAY, DISPLAY and DBUS_SESSION_BUS_ADDRESS for the program; returns 1 when
#                 either does not come up
#   sway_stop     ends them
#   compositor_windows, grab_outputs, pointer_move, pointer_click, key_press
#                 as scripts/e2e/wayland.sh asks; the pointer reaches output 1 only
#
# Needs the Debian packages sway, xwayland, grim, wayvnc and dbus.

sway_pid=""
wayvnc_pid=""
wayvnc_2_pid=""
vnc_port=5900  # the namespace has a network of its own

sway_start() {
    # sway's own defaults otherwise (title bars, tiling); what the outputs are, and the environment of
    # the session's programs written down once sway has made it.
    cat >"$work/sway.conf" <<CONF
output HEADLESS-1 mode ${monitor_w}x$monitor_h position 0 0
output HEADLESS-2 mode ${monitor_w}x$monitor_h position $monitor_w 0
exec env >"$XDG_RUNTIME_DIR/session-environment"
CONF
    export SWAYSOCK="$XDG_RUNTIME_DIR/sway-ipc.sock"
    WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS=2 WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
        as_user dbus-run-session -- sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
    sway_pid=$!
    local deadline=$((SECONDS + 30))
    until [[ -s "$XDG_RUNTIME_DIR/session-environment" ]]; do
        kill -0 "$sway_pid" 2>/dev/null && ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
    local name
    for name in WAYLAND_DISPLAY DISPLAY DBUS_SESSION_BUS_ADDRESS; do
        export "$name=$(sed -n "s/^$name=//p" "$XDG_RUNTIME_DIR/session-environment")"
    done
    as_user wayvnc -o HEADLESS-1 127.0.0.1 "$vnc_port" >"$work/wayvnc.log" 2>&1 &
    wayvnc_pid=$!
    # A second server, which nobody uses, on output 2: while wayvnc copies output 1 alone, sway 1.7's
    # headless backend draws no new window on output 2 (a window there stays unseen by grim and by
    # anything else).
    as_user wayvnc -o HEADLESS-2 127.0.0.1 "$((vnc_port + 1))" >"$work/wayvnc-2.log" 2>&1 &
    wayvnc_2_pid=$!
    until "$python" "$e2e/vnc.py" move "$vnc_port" 0 0 2>/dev/null; do
        kill -0 "$wayvnc_pid" 2>/dev/null && ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}

sway_stop() {
    stop_processes "$wayvnc_pid" "$wayvnc_2_pid" "$sway_pid"
    wayvnc_pid=""
    wayvnc_2_pid=""
    sway_pid=""
}

compositor_windows() { as_user swaymsg -t get_tree | "${windows[@]}" sway; }
# Each output on its own, side by side: grim's picture of the whole layout leaves output 2 as its
# background while output 1 holds a full-screen window (sway 1.7, headless), though output 2 shows its
# own full-screen window all the same.
grab_outputs() {
    as_user grim -o HEADLESS-1 "$work/output-1.png"
    as_user grim -o HEADLESS-2 "$work/output-2.png"
    convert "$work/output-1.png" "$work/output-2.png" +append "$1"
}
pointer_move() { "$python" "$e2e/vnc.py" move "$vnc_port" "$1" "$2"; }
pointer_click() { "$python" "$e2e/vnc.py" click "$vnc_port" "$1" "$2"; }
key_press() { "$python" "$e2e/vnc.py" key "$vnc_port" "$1"; }
