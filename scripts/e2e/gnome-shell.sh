# shellcheck shell=bash disable=SC2154,SC2317
# (Sourced: the variables it reads are set by scripts/e2e/common.sh and scripts/e2e/wayland.sh, and
# wait_for calls the conditions defined inside its functions.)
# Sourced by the entry of the session on GNOME (scripts/e2e/gnome.sh): GNOME Shell 43 headless on Wayland
# with two virtual monitors of 1920 x 1080 side by side, and the compositor's part of the driver of
# scripts/e2e/wayland.sh, all through the shell's D-Bus interfaces:
#
#   gnome_start          starts the shell as the session's user, with a session bus and a system bus of its
#                        own, in unsafe mode (through a small extension of this run, which also makes the
#                        virtual pointer and keyboard before any client connects); exports WAYLAND_DISPLAY,
#                        DISPLAY and XAUTHORITY for the program; returns 1 when the shell does not come up
#   gnome_stop           ends it
#   gnome_eval SCRIPT    runs JavaScript in the shell and prints its value as JSON
#   compositor_windows, grab_outputs, pointer_move, pointer_click, key_press
#                        as scripts/e2e/wayland.sh asks
#   audience_off, audience_on
#                        monitor 2 taken away (one logical monitor left) and put back right of monitor 1,
#                        through org.gnome.Mutter.DisplayConfig; each returns once the shell has as many
#                        monitors as it asked for
#
# Needs the Debian packages gnome-shell, mutter, xwayland, dbus and libglib2.0-bin (gdbus).

gnome_pid=""
system_bus_pid=""

gnome_start() {
    local extension="$XDG_DATA_HOME/gnome-shell/extensions/orvalis-e2e@orvalis"
    mkdir -p "$extension" "$XDG_CONFIG_HOME/glib-2.0/settings"
    cat >"$extension/metadata.json" <<'JSON'
{"uuid": "orvalis-e2e@orvalis", "name": "Orvalis end-to-end run",
 "description": "Unsafe mode and virtual input devices for the end-to-end run", "shell-version": ["43"]}
JSON
    # The virtual devices are made at once: a client that connects before they exist loses its first click.
    cat >"$extension/extension.js" <<'JS'
const { Clutter } = imports.gi;
function init() {}
function enable() {
    global.context.unsafe_mode = true;
    const seat = Clutter.get_default_backend().get_default_seat();
    globalThis.e2ePointer = seat.create_virtual_device(Clutter.InputDeviceType.POINTER_DEVICE);
    globalThis.e2eKeyboard = seat.create_virtual_device(Clutter.InputDeviceType.KEYBOARD_DEVICE);
}
function disable() {}
JS
    # The settings live in a key file: no dconf service. No notification banners over the program's windows.
    cat >"$XDG_CONFIG_HOME/glib-2.0/settings/keyfile" <<'INI'
[org/gnome/shell]
enabled-extensions=['orvalis-e2e@orvalis']

[org/gnome/desktop/notifications]
show-banners=false
INI
    # A system bus of the session's own that starts nothing: the machine's may have polkit, a package
    # daemon or none at all.
    cat >"$work/system-bus.conf" <<XML
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$XDG_RUNTIME_DIR/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_type="method_call"/>
    <allow send_type="signal"/>
    <allow send_type="method_return"/>
    <allow send_type="error"/>
    <allow receive_type="method_call"/>
    <allow receive_type="signal"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
  </policy>
</busconfig>
XML
    chown -R "$session_user:" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
    export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/system_bus_socket"
    export GSETTINGS_BACKEND=keyfile XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME
    as_user dbus-daemon --config-file="$work/system-bus.conf" --nofork >"$work/system-bus.log" 2>&1 &
    system_bus_pid=$!
    # shellcheck disable=SC2016 # the session bus's address, as the shell below sees it
    as_user dbus-run-session -- \
        sh -c 'echo "$DBUS_SESSION_BUS_ADDRESS" >"$XDG_RUNTIME_DIR/session-bus"; exec "$@"' sh \
        gnome-shell --wayland --headless --virtual-monitor "${monitor_w}x$monitor_h" \
        --virtual-monitor "${monitor_w}x$monitor_h" >"$work/gnome-shell.log" 2>&1 &
    gnome_pid=$!

    # Up once the extension has put it into unsafe mode, and past the overview it shows once it has
    # started.
    local deadline=$((SECONDS + 60))
    export DBUS_SESSION_BUS_ADDRESS=""
    until [[ -s "$XDG_RUNTIME_DIR/session-bus" ]] &&
        DBUS_SESSION_BUS_ADDRESS=$(cat "$XDG_RUNTIME_DIR/session-bus") &&
        [[ "$(gnome_eval 'global.context.unsafe_mode && typeof e2eKeyboard' 2>/dev/null)" == '"object"' ]]; do
        kill -0 "$gnome_pid" 2>/dev/null && ((SECONDS < deadline)) || return 1
        sleep 0.2
    done
    overview_hidden() {
        [[ "$(gnome_eval '!Main.layoutManager._startingUp &&
            (Main.overview.hide(), !Main.overview.visible && !Main.overview.animationInProgress)')" == true ]]
    }
    wait_for "$step_timeout" "GNOME Shell's overview did not close" overview_hidden
    local name
    for name in WAYLAND_DISPLAY DISPLAY XAUTHORITY; do
        export "$name=$(gnome_eval "GLib.getenv('$name') || ''" | tr -d '"')"
    done
}

gnome_stop() {
    stop_processes "$gnome_pid" "$system_bus_pid"
    gnome_pid=""
    system_bus_pid=""
}

gnome_eval() {
    as_user gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
        --method org.gnome.Shell.Eval "$1" | "${windows[@]}" answer
}

compositor_windows() {
    gnome_eval 'global.get_window_actors().map(actor => {
        const w = actor.meta_window, r = w.get_frame_rect();
        return {id: w.get_id(), title: w.get_title(), x: r.x, y: r.y, width: r.width, height: r.height,
                focused: w.has_focus(),
                visible: actor.visible && !w.minimized && w.showing_on_its_workspace()};
    })'
}

grab_outputs() {
    as_user gdbus call --session --dest org.gnome.Shell.Screenshot --object-path /org/gnome/Shell/Screenshot \
        --method org.gnome.Shell.Screenshot.Screenshot false false "$1" >/dev/null
}

# The virtual devices of the extension, at the moment's time (microseconds of the monotonic clock).
pointer_move() {
    gnome_eval "e2ePointer.notify_absolute_motion(GLib.get_monotonic_time(), $1, $2)" >/dev/null
}
pointer_click() {
    gnome_eval "const C = imports.gi.Clutter;
        e2ePointer.notify_absolute_motion(GLib.get_monotonic_time(), $1, $2);
        for (const state of [C.ButtonState.PRESSED, C.ButtonState.RELEASED])
            e2ePointer.notify_button(GLib.get_monotonic_time(), C.BUTTON_PRIMARY, state)" >/dev/null
}
key_press() {
    gnome_eval "const C = imports.gi.Clutter;
        e2eKeyboard.notify_keyval(GLib.get_monotonic_time(), C.KEY_$1, C.KeyState.PRESSED);
        e2eKeyboard.notify_keyval(GLib.get_monotonic_time(), C.KEY_$1, C.KeyState.RELEASED)" >/dev/null
}

# --- Monitor 2 taken away and put back ---------------------------------------------------------------------

display_config() {
    as_user gdbus call --session --dest org.gnome.Mutter.DisplayConfig \
        --object-path /org/gnome/Mutter/DisplayConfig --method "org.gnome.Mutter.DisplayConfig.$1" "${@:2}"
}

# apply_monitors CONNECTOR...: one logical monitor for each, side by side from the left, the first the
# primary; temporary (method 1), as the settings would try a layout.
apply_monitors() {
    local state serial mode logical="" x=0 connector primary=true
    state=$(display_config GetCurrentState)
    serial=$(sed -E 's/^\(uint32 ([0-9]+),.*/\1/' <<<"$state")
    mode=$(grep -oE "'${monitor_w}x${monitor_h}@[0-9.]+'" <<<"$state" | head -n 1)
    [[ "$serial" =~ ^[0-9]+$ && -n "$mode" ]] || fail "no monitor configuration from GNOME: $state"
    for connector in "$@"; do
        logical+="${logical:+, }($x, 0, 1.0, uint32 0, $primary, [('$connector', $mode, @a{sv} {})])"
        x=$((x + monitor_w))
        primary=false
    done
    display_config ApplyMonitorsConfig "$serial" 1 "[$logical]" '@a{sv} {}' >/dev/null
    monitors_now() { [[ "$(gnome_eval 'global.display.get_n_monitors()')" == "$1" ]]; }
    wait_for "$step_timeout" "GNOME did not switch to $# monitors" monitors_now "$#"
}

audience_off() { apply_monitors Meta-0; }
audience_on() { apply_monitors Meta-0 Meta-1; }
