# shellcheck shell=bash disable=SC2034,SC2154,SC2317
# (Sourced: the variables it reads and sets are those of scripts/e2e/common.sh and the session's entry, and
# wait_for calls the condition defined inside menu_pick.)
# Sourced by the entries of the sessions on a Wayland compositor (scripts/e2e/gnome.sh, sway.sh): a corner
# of the machine of their own for the compositor and the program, and the driver through which the
# sections see and work the desktop, with the functions of scripts/e2e/x11.sh. Written against
# scripts/e2e/common.sh. The compositor's own part (scripts/e2e/gnome-shell.sh, sway-session.sh) supplies
#
#   compositor_windows       prints the compositor's window list as scripts/e2e/windows.py reads it
#   grab_outputs FILE        a screenshot of both outputs as FILE
#   pointer_move X Y, pointer_click X Y
#                            the pointer to X,Y, and a left click there
#   key_press KEY            a key pressed and released (X key names: Escape, Next, Down, ...)
#
# and this file gives the sections
#
#   wayland_enter BUILD_DIR SHOTS_DIR ARG...
#                            called first by the entry with its arguments. Outside the session's corner it
#                            makes the session's user, runs the entry again inside a namespace of its own
#                            (process ids, mounts and network: an own /tmp, the loopback up, no logind in
#                            /run/systemd) and ends with its status; inside it only sets that corner up
#   wayland_begin BUILD_DIR SHOTS_DIR
#                            session_begin, with the program copied where the session's user may run it
#                            and fresh per-user folders that the user owns (user_folders); the program is
#                            then started as that user
#   as_user COMMAND...       runs COMMAND as the session's user
#   stop_processes PID...    ends the processes that are still running of those named (empty ones left out)
#   wayland_needs PACKAGE... fails the run when a Debian package is not installed
#   wayland_ready NAME       once the compositor NAME is up (display set): a screenshot of both outputs side
#                            by side, and the time the start took
#   visible_windows, window_geometry, window_focused, shot, grab_screen, move_pointer, click_at, click,
#   press, menu_file         the driver's functions, as scripts/e2e/x11.sh describes them
#   menu_pick INDEX DOWNS    opens the INDEX-th menu of the main window's menu bar (from 0: File, Options,
#                            Help) and picks its item DOWNS steps down
#
# Needs root, and the Debian packages util-linux (unshare, setpriv), passwd (useradd), iproute2 and
# python3-pil.

desktop=("$python" "$e2e/desktop.py")
windows=("$python" "$e2e/windows.py")

# The user that runs the compositor and the program: sway refuses to run as root, and a desktop's user
# is an ordinary one anyway.
session_user=orvalis-e2e
pointer_x=0
pointer_y=0

wayland_enter() {
    if [[ -n "${ORVALIS_E2E_CORNER:-}" ]]; then
        trap 'exit 130' INT TERM  # the namespace's first process ignores what it does not handle
        wayland_corner "$1" "$2"
        return 0
    fi
    id -u "$session_user" >/dev/null 2>&1 ||
        useradd --system --user-group --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin \
            "$session_user"
    mkdir -p "$2"
    # unshare waits for its child and ignores the signals that end a run: they go to the child, which
    # cleans up; every process left in the namespace ends with it.
    ORVALIS_E2E_CORNER=1 unshare --fork --pid --mount-proc --mount --net --kill-child=TERM \
        "$(realpath "$0")" "$@" &
    local corner=$! status
    trap 'kill -TERM $(pgrep -P "$corner") 2>/dev/null' INT TERM
    until status=0; wait "$corner" || status=$?; ! kill -0 "$corner" 2>/dev/null; do :; done
    exit "$status"
}

# Inside the namespace: an own /tmp, where the compositor's X server finds its display free, and where
# the repository, the build and the screenshots stay visible when they live under /tmp.
wayland_corner() {
    local -a kept=() handles=()
    local path handle i
    mount --make-rprivate /
    for path in "$root" "$(realpath -m "$1")" "$(realpath -m "$2")"; do
        [[ "$path" == /tmp/* ]] || continue
        exec {handle}<"$path"
        kept+=("$path")
        handles+=("$handle")
    done
    mount -t tmpfs -o mode=1777 tmpfs /tmp
    for i in "${!kept[@]}"; do
        mkdir -p "${kept[i]}"
        mount --no-canonicalize --bind "/proc/$$/fd/${handles[i]}" "${kept[i]}"
        handle=${handles[i]}
        exec {handle}<&-
    done
    mkdir -m 1777 /tmp/.X11-unix
    # Without logind the desktop must not find its files: GNOME would wait for a session that never comes.
    if [[ -d /run/systemd ]]; then
        mount -t tmpfs tmpfs /run/systemd
    fi
    ip link set lo up
}

wayland_begin() {
    begun=$SECONDS
    session_begin "$1" "$2"
    # The build folder may be closed to other users: the program runs from a copy.
    mkdir -m 755 "$work/bin"
    cp "$program" "$build/bin/orvalis-decoder" "$build/bin/libBrackwell.so" "$work/bin/"
    program="$work/bin/orvalis"
    user_folders
    chown -R "$session_user:" "$work"
    chmod 755 "$work"
    program_runner=(as_user)
}

as_user() { setpriv --reuid="$session_user" --regid="$session_user" --clear-groups -- "$@"; }

stop_processes() {
    local pid
    for pid in "$@"; do
        if [[ -n "$pid" ]]; then
            kill "$pid" 2>/dev/null || true
        fi
    done
}

wayland_needs() {
    local package
    for package in "$@"; do
        [[ "$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null)" == installed ]] ||
            fail "the Debian package $package is missing (scripts/install-deps.sh installs it)"
    done
}

wayland_ready() {
    local size
    size=$("$python" -c 'import sys; from PIL import Image; print("%d x %d" % Image.open(sys.argv[1]).size)' \
        "$(shot 00-desktop)")
    [[ "$size" == "$((2 * monitor_w)) x $monitor_h" ]] ||
        fail "$1's screenshot is $size, not two outputs of $monitor_w x $monitor_h side by side"
    pass "$1 up in $((SECONDS - begun)) s on $WAYLAND_DISPLAY (X on $DISPLAY), two outputs side by side;" \
        "the program on QT_QPA_PLATFORM=$QT_QPA_PLATFORM"
}

# --- The driver -----------------------------------------------------------------------------------------

visible_windows() { compositor_windows | "${windows[@]}" find "$1"; }
window_geometry() {
    local place
    place=$(compositor_windows | "${windows[@]}" geometry "$1") || fail "window $1 is gone"
    eval "$place"
}
window_focused() { compositor_windows | "${windows[@]}" focused "$1"; }

shot() {
    grab_screen "$shots/$1.png"
    echo "$shots/$1.png"
}

# The compositor writes as the session's user, into the work folder.
grab_screen() {
    grab_outputs "$work/grab.png"
    mv "$work/grab.png" "$1"
}

move_pointer() {
    pointer_x=$1
    pointer_y=$2
    pointer_move "$1" "$2"
}
click_at() {
    pointer_x=$1
    pointer_y=$2
    pointer_click "$1" "$2"
}
click() { pointer_click "$pointer_x" "$pointer_y"; }
press() { key_press "$1"; }

menu_file() { menu_pick 0 "$1"; }

# The main window lies where the compositor put it; its menu bar is found in a screenshot. The menu is
# open once its title is highlighted; its item is picked with the keyboard.
menu_pick() {
    local index=$1 downs=$2 title_x title_y i
    window_geometry "$main_window"
    read -r title_x title_y < <("${desktop[@]}" menu "$(shot menu-bar)" "$X" "$Y" "$WIDTH" "$HEIGHT" \
        "$index") || fail "no menu bar in the main window at $X,$Y, $WIDTH x $HEIGHT"
    click_at "$title_x" "$title_y"
    menu_open() { "${desktop[@]}" highlighted "$(shot menu-open)" "$title_x" "$title_y" >/dev/null; }
    wait_for "$step_timeout" "the menu did not open" menu_open
    for ((i = 0; i < downs; i++)); do press Down; done
    press Return
}
