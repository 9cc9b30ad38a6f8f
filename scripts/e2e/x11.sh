# shellcheck shell=bash disable=SC2154,SC2317
# (Sourced: the variables it reads are set by scripts/e2e/common.sh, and wait_for calls the condition
# defined inside menu_file.)
# Sourced by the entry of a session on an X server (scripts/e2e/xorg.sh): the driver through which the
# end-to-end sections see and work the desktop, with xdotool and ImageMagick's import on $DISPLAY. The
# entry of a session on another desktop supplies the same functions. Written against
# scripts/e2e/common.sh (wait_for, program_pid, main_window, scale, shots).
#
#   visible_windows PATTERN  the ids of the visible windows whose name matches PATTERN
#   window_geometry WINDOW   sets X, Y, WIDTH and HEIGHT to where WINDOW is on the screen
#   window_focused WINDOW    WINDOW has the keyboard focus
#   window_title WINDOW      the title the desktop shows for WINDOW (its _NET_WM_NAME)
#   window_resize WINDOW W H WINDOW made W x H pixels large
#   shot NAME                a screenshot of both monitors as $shots/NAME.png; prints its path
#   grab_screen FILE         a screenshot of both monitors as FILE
#   move_pointer X Y         the mouse pointer to X,Y
#   click_at X Y             the pointer to X,Y and a left click there
#   click                    a left click where the pointer is
#   press KEY                a key pressed and released (X key names: Escape, Next, Delete, b, ...)
#   menu_file DOWNS          opens the program's File menu and picks its item DOWNS steps down

visible_windows() { xdotool search --onlyvisible --name "$1" 2>/dev/null || true; }

window_geometry() { eval "$(xdotool getwindowgeometry --shell "$1")"; }

window_focused() { [[ "$(xdotool getwindowfocus 2>/dev/null)" == "$1" ]]; }

window_resize() { xdotool windowsize "$1" "$2" "$3"; }

# xprop prints _NET_WM_NAME(UTF8_STRING) = "TITLE"; a title holds no quotes here.
window_title() { LC_ALL=C.UTF-8 xprop -id "$1" _NET_WM_NAME | sed -n 's/^_NET_WM_NAME([A-Z0-9_]*) = "\(.*\)"$/\1/p'; }

shot() {
    grab_screen "$shots/$1.png"
    echo "$shots/$1.png"
}

grab_screen() { import -window root "$1"; }

move_pointer() { xdotool mousemove "$1" "$2"; }
click_at() { xdotool mousemove "$1" "$2" click 1; }
click() { xdotool click 1; }
press() { xdotool key "$1"; }

# The menu opens with a click on its title at the top left of the menu bar; its item is picked with the
# keyboard. The program runs at scale factor $scale.
menu_file() {
    local downs=$1
    # The open menu is a visible window of the program of its own, just below the menu's title.
    menu_open() {
        local window
        for window in $(xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null); do
            [[ "$window" == "$main_window" ]] && continue
            eval "$(xdotool getwindowgeometry --shell "$window" | grep -E '^[XY]=')"
            ((X < 50 * scale && Y < 60 * scale)) && return 0
        done
        return 1
    }
    xdotool mousemove $((10 * scale)) $((8 * scale)) click 1
    wait_for "$step_timeout" "the File menu did not open" menu_open
    for ((i = 0; i < downs; i++)); do xdotool key Down; done
    xdotool key Return
}
