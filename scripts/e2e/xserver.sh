# shellcheck shell=bash disable=SC2034
# (Sourced: the variables it sets are read by the script that sources it.)
# Sourced by the end-to-end scripts: an X server of their own with two monitors side by side (Xorg with
# the dummy driver, one 3840 x 1080 screen split by RandR into two outputs of 1920 x 1080), the tools
# that drive it, and a wait for a condition. Needs root (to start Xorg). The sourcing script defines
# fail MESSAGE, which ends the run.
#
#   need COMMAND PACKAGE fails the run when COMMAND is missing, naming its Debian package
#   need_x_tools         the X server, its dummy driver, xrandr, xdotool and ImageMagick's import
#   xserver_start WORK   starts Xorg on the first free display from :90 up that no other server holds,
#                        with its configuration and log in WORK; sets xserver_display and xserver_pid, or
#                        returns 1 with the reason in WORK/Xorg.out and WORK/Xorg.log
#   xserver_monitors     makes the two monitors on $DISPLAY; returns 1 when xrandr does not show them
#   xserver_stop         ends the server, if it runs
#   xserver_wait SECONDS COMMAND...
#                        runs COMMAND every fifth of a second until it succeeds; returns 1 once SECONDS
#                        have passed

xserver_display=""
xserver_pid=""

need() {
    command -v "$1" >/dev/null 2>&1 || fail "$1 is missing (Debian package $2)"
}

need_x_tools() {
    need Xorg xserver-xorg-core
    need xrandr x11-xserver-utils
    need xdotool xdotool
    need import imagemagick
    [[ -e /usr/lib/xorg/modules/drivers/dummy_drv.so ]] ||
        fail "Xorg's dummy driver is missing (Debian package xserver-xorg-video-dummy)"
}

xserver_start() {
    local work=$1 n
    cat >"$work/xorg.conf" <<'EOF'
Section "ServerFlags"
    Option "DontVTSwitch" "true"
    Option "AllowMouseOpenFail" "true"
    Option "AutoAddDevices" "false"
EndSection
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 256000
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0 - 1000.0
    VertRefresh 5.0 - 200.0
    Modeline "3840x1080" 318.00 3840 3888 3920 4000 1080 1083 1093 1111 +hsync -vsync
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Modes "3840x1080"
        Virtual 3840 1080
    EndSubSection
EndSection
EOF
    # Two runs that pick the same number at the same moment: the loser's Xorg ends at once, and it tries
    # the next number; anything else is fatal.
    for ((n = 90; n < 190; n++)); do
        [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
        Xorg ":$n" -noreset -nolisten tcp -config "$work/xorg.conf" -logfile "$work/Xorg.log" \
            >"$work/Xorg.out" 2>&1 &
        xserver_pid=$!
        local deadline=$((SECONDS + 30))
        while ((SECONDS < deadline)) && kill -0 "$xserver_pid" 2>/dev/null; do
            if xrandr -display ":$n" --query >/dev/null 2>&1; then
                xserver_display=":$n"
                return 0
            fi
            sleep 0.2
        done
        kill "$xserver_pid" 2>/dev/null || true
        wait "$xserver_pid" 2>/dev/null || true
        xserver_pid=""
        grep -q "already active" "$work/Xorg.out" "$work/Xorg.log" 2>/dev/null || return 1
    done
    return 1
}

xserver_monitors() {
    xrandr --output DUMMY0 --mode 1920x1080 --pos 0x0
    xrandr --newmode "1920x1080_60" 173.00 1920 2048 2248 2576 1080 1083 1088 1120 -hsync +vsync
    xrandr --addmode DUMMY1 1920x1080_60
    xrandr --output DUMMY1 --mode 1920x1080_60 --right-of DUMMY0
    local monitors
    monitors=$(xrandr --listmonitors)
    grep -q '^Monitors: 2$' <<<"$monitors" && grep -q ' 1920/[0-9]*x1080/[0-9]*+0+0 ' <<<"$monitors" &&
        grep -q ' 1920/[0-9]*x1080/[0-9]*+1920+0 ' <<<"$monitors"
}

xserver_stop() {
    if [[ -n "$xserver_pid" ]] && kill -0 "$xserver_pid" 2>/dev/null; then
        kill "$xserver_pid" 2>/dev/null || true
        for _ in $(seq 50); do kill -0 "$xserver_pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$xserver_pid" 2>/dev/null || true
    fi
    xserver_pid=""
}

xserver_wait() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@" 2>/dev/null; do
        ((SECONDS < deadline)) || return 1
        sleep 0.2
    done
}
