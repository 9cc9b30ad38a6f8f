#!/usr/bin/env bash
# Runs the whole program end to end on a real X server with two monitors side by side, driving it only
# with the keyboard and the mouse (xdotool) and checking the monitors from screenshots:
#
#   - start with a fresh per-user folder holding a settings file (watermarking on, automatic advance
#     every second) and a last image list naming a JPEG turned by its EXIF orientation, a PNG, a missing
#     file and a JPEG 2000 file;
#   - File > Load Last Image List: the three existing pictures appear in the image list;
#   - select the JPEG and press "Play slideshow": monitor 2 shows it upright, fitted with black bars and
#     watermarked "1234" in its bottom right corner, while monitor 1 keeps the main window;
#   - the show advances every second, PNG, JPEG 2000, and wraps back to the JPEG;
#   - Escape in the preview window gives monitor 2 back;
#   - "Play slideshow" again, and File > Exit while the show runs: the program ends (the show and its
#     window with it) and leaves the last image list and the settings file behind;
#   - a second, short run at QT_SCALE_FACTOR=2, as on a monitor scaled 200 %: a one-pixel checkerboard
#     of 1920 x 1080 shown on monitor 2 is there pixel for pixel, not as a half-size copy doubled; File >
#     Exit with the show up ends that run too;
#   - damaged files in the list (crashing FreeImage, stalling it, declaring gigapixels): "not supported"
#     thumbnails, black frames on monitor 2, the show goes on; an entry deleted in the list view leaves
#     every thumbnail whole in the thumbnail view; File > Exit with a decoder stalled on a file ends the
#     program at once, its decoder processes with it;
#   - the presenter view, with real photographs: "Play slideshow" opens the presenter window on monitor 1
#     beside the show on monitor 2, with the keyboard focus; Page Down sent to it steps monitor 2 to the
#     next photograph, "B" blanks monitor 2 and "B" again brings the photograph back, Escape ends the
#     show; the screenshot of both monitors goes into the README (readme-presenter-view.png);
#   - with openbox managing the windows, monitor 2 switched off during an automatic show (the settings
#     remember it by name): the audience window goes, monitor 1 keeps the main window uncovered and the
#     show pauses; switched on again, it shows the picture it had and the show goes on; a smaller
#     resolution on it is followed by the window and the picture;
#   - then a run on real photographs: a folder on the command line, a second start handing a
#     photograph to the running program, the README's screenshots (see that section below).
#
# Usage: scripts/e2e.sh [BUILD_DIR [SHOTS_DIR]]
#   BUILD_DIR  the build folder (default $ORVALIS_BUILD_DIR, else build/); bin/orvalis is built there
#              when missing.
#   SHOTS_DIR  where the screenshots go (default $E2E_SHOTS, else BUILD_DIR/e2e-shots), among them
#              readme-main-window.png, readme-presentation-monitor.png and readme-presenter-view.png
#              for the README.
#
# Needs root (to start Xorg) and the Debian packages xserver-xorg-core, xserver-xorg-video-dummy,
# x11-xserver-utils, x11-utils, xdotool, imagemagick, libimage-exiftool-perl, libopenjp2-tools,
# python3-pil, openbox and mate-backgrounds (the photographs).
# Every check prints a line as it passes; the first failure ends the run with a non-zero exit status.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh"
build=$(realpath -m "${1:-${ORVALIS_BUILD_DIR:-"$root/build"}}")
shots=$(realpath -m "${2:-${E2E_SHOTS:-"$build/e2e-shots"}}")
# Debian's Python with python3-pil; a python3 earlier on the PATH may lack PIL.
python=/usr/bin/python3
screens=("$python" "$root/scripts/e2e/screens.py")
source "$root/scripts/e2e/xserver.sh"

# Monitor layout made below: two 1920 x 1080 monitors, the second right of the first.
monitor_w=1920
monitor_h=1080

# Seconds allowed for each wait. Generous: the machine may be busy with other jobs.
start_timeout=60      # the program's main window appears
splash_timeout=30     # the start-up splash (3 s) goes away
step_timeout=20       # a window, a menu or the list reacts to a click or a key
first_picture_timeout=30
next_picture_timeout=15  # the show advances every second; a decode may take a while on a busy machine
exit_timeout=30

started=$(date +%s)
pass() { echo "ok   $*"; }
fail() {
    echo "FAIL $*" >&2
    # The screen as it was at the failure.
    if [[ -n "${display:-}" ]]; then
        import -window root "$shots/failure.png" 2>/dev/null || true
    fi
    echo "     screenshots and logs: $shots" >&2
    exit 1
}

# --- Tools ------------------------------------------------------------------------------------------

need_x_tools
need xprop x11-utils
need openbox openbox
need exiftool libimage-exiftool-perl
need opj_compress libopenjp2-tools
"$python" -c 'import PIL.ImageGrab' 2>/dev/null ||
    fail "$python cannot import PIL (Debian package python3-pil)"

if [[ ! -x "$build/bin/orvalis" ]]; then
    echo "building orvalis in $build"
    if [[ ! -f "$build/CMakeCache.txt" ]]; then
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
    fi
    cmake --build "$build" --target orvalis
fi
program="$build/bin/orvalis"

# Only the screenshots and logs of an earlier run go: the folder may be one the user named.
mkdir -p "$shots"
rm -f "$shots"/*.png "$shots"/*.log
work=$(mktemp -d /tmp/orvalis-e2e.XXXXXX)
photo_home=""  # the photographs' home under /home, made by their run
program_pid=""
program_may_end=""  # set once the program is asked to end
display=""

# Whatever happens, the program and the X server go, and their logs stay with the screenshots.
cleanup() {
    local status=$?
    if [[ -n "$program_pid" ]] && kill -0 "$program_pid" 2>/dev/null; then
        kill "$program_pid" 2>/dev/null || true
        sleep 0.5
        kill -9 "$program_pid" 2>/dev/null || true
    fi
    xserver_stop
    cp "$work"/*.log "$shots/" 2>/dev/null || true
    rm -rf "$work"
    if [[ -n "${photo_home:-}" ]]; then
        rm -rf "$photo_home"
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# wait_for SECONDS WHAT COMMAND...: runs COMMAND every fifth of a second until it succeeds; fails the
# run with "WHAT" and the last complaint of COMMAND once SECONDS have passed, or at once when the
# program has ended.
wait_for() {
    local seconds=$1 what=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@" 2>"$work/wait.err"; do
        if [[ -n "$program_pid" && -z "$program_may_end" ]] && ! kill -0 "$program_pid" 2>/dev/null; then
            fail "$what: the program ended unexpectedly"
        fi
        ((SECONDS < deadline)) || fail "$what (waited $seconds s) $(cat "$work/wait.err")"
        sleep 0.2
    done
}

# shot NAME: a screenshot of both monitors as $shots/NAME.png; prints its path.
shot() {
    import -window root "$shots/$1.png"
    echo "$shots/$1.png"
}

# monitor SHOT INDEX OUT: the monitor INDEX (0 or 1) of a screenshot as a picture of its own.
monitor() {
    convert "$1" -crop "${monitor_w}x${monitor_h}+$(($2 * monitor_w))+0" +repage "$3"
}

# --- The X server -----------------------------------------------------------------------------------

# Xorg with the dummy driver: one 3840 x 1080 screen, split by RandR into two outputs of 1920 x 1080
# (scripts/e2e/xserver.sh).
if ! xserver_start "$work"; then
    cp "$work/Xorg.out" "$shots/Xorg.out" 2>/dev/null || true
    fail "Xorg with the dummy driver did not start (it must run as root; see $shots/Xorg.out and Xorg.log)"
fi
display=$xserver_display
export DISPLAY=$display
xserver_monitors || fail "xrandr did not make two 1920 x 1080 monitors side by side: $(xrandr --listmonitors)"
pass "Xorg on $DISPLAY with two monitors of 1920 x 1080 side by side"

# --- Pictures, settings and the last image list ----------------------------------------------------

pictures="$work/pictures"
mkdir -p "$pictures"
"${screens[@]}" make "$pictures"
# The JPEG is stored lying on its side: orientation 6 says "turn clockwise to view". Its EXIF thumbnail
# is a plain purple picture so that the list shows where the entry's thumbnail came from.
exiftool -quiet -overwrite_original -Orientation#=6 "-ThumbnailImage<=$pictures/thumb.jpg" \
    "$pictures/IMG_1234.jpg"
rm "$pictures/thumb.jpg"
opj_compress -i "$pictures/IMG_9012.ppm" -o "$pictures/IMG_9012.jp2" >/dev/null
rm "$pictures/IMG_9012.ppm"
jpeg="$pictures/IMG_1234.jpg"
png="$pictures/IMG_5678.png"
missing="$pictures/IMG_0000.jpg"
jp2="$pictures/IMG_9012.jp2"

# The program's per-user folders, all fresh.
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
export HOME="$work/home" QT_QPA_PLATFORM=xcb
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
user_folder="$XDG_DATA_HOME/Quenmark/Orvalis"
mkdir -p "$user_folder"
settings_file="$user_folder/$(basename "$program").ini"
last_list="$user_folder/Last image list.txt"

# write_unicode FILE LINE...: the program's text files are UTF-16 LE with a byte-order mark, CR LF.
write_unicode() {
    local file=$1
    shift
    { printf '\xff\xfe'; printf '%s\r\n' "$@" | iconv -f UTF-8 -t UTF-16LE; } >"$file"
}
# Watermarking on (text from character 5, 4 characters: "1234" of IMG_1234.jpg, bottom right by
# default), automatic advance every second.
# The presenter view stays off until its own section: these sections drive the audience window itself.
write_unicode "$settings_file" "[Settings]" "CheckBoxUseWatermarking=1" "SlideshowInterval=1" \
    "RadioButtonSlideShowAutomaticAdvance=1" "RadioButtonSlideshowManualAdvance=0" "CheckBoxShowPresenterView=0"
write_unicode "$last_list" "$jpeg" "$png" "$missing" "$jp2"
pass "pictures, settings file and last image list in $work"

# --- Start ------------------------------------------------------------------------------------------

"$program" >"$work/orvalis.log" 2>&1 &
program_pid=$!

# visible_windows PATTERN: the ids of the visible windows whose name matches PATTERN.
visible_windows() { xdotool search --onlyvisible --name "$1" 2>/dev/null || true; }
main_window_shown() {
    main_window=$(visible_windows '^Orvalis$' | head -n 1)
    [[ -n "$main_window" ]]
}
wait_for "$start_timeout" "the main window did not appear" main_window_shown
splash_gone() { [[ -z "$(visible_windows '^About')" ]]; }
wait_for "$splash_timeout" "the start-up splash did not go away" splash_gone

eval "$(xdotool getwindowgeometry --shell "$main_window")"
[[ "$X,$Y,$WIDTH,$HEIGHT" == "0,0,$monitor_w,$monitor_h" ]] ||
    fail "the main window is at $X,$Y, $WIDTH x $HEIGHT instead of filling monitor 1"
"${screens[@]}" main "$(shot 01-started)" >/dev/null || fail "monitor 1 does not show the main window"
pass "main window fills monitor 1, splash gone"

# The "Play slideshow" button, found from the toolbar's icons while the list is still empty.
read -r play_x play_y < <("${screens[@]}" toolbar "$shots/01-started.png") ||
    fail "no toolbar found above the image list"
pass "toolbar found, \"Play slideshow\" at $play_x,$play_y"

# menu_file DOWNS: opens the File menu with a click on its title at the top left of the menu bar and
# picks its item DOWNS steps down with the keyboard. The program runs at scale factor $scale.
scale=1
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

# --- Load the last image list ----------------------------------------------------------------------

menu_file 3  # Load Image List..., Save Image List..., Load Last Image List
entries_shown() { "${screens[@]}" entries "$(shot 02-list-loaded)" >/dev/null; }
wait_for "$step_timeout" "the image list does not show the entries of the last image list" entries_shown
pass "File > Load Last Image List: thumbnails of IMG_1234.jpg (its EXIF thumbnail)," \
    "IMG_5678.png and IMG_9012.jp2"

# Select the JPEG with a click on its thumbnail.
read -r entry_x entry_y < <("${screens[@]}" entry "$shots/02-list-loaded.png" IMG_1234.jpg) ||
    fail "no thumbnail of IMG_1234.jpg to click"
xdotool mousemove "$entry_x" "$entry_y" click 1
selected() { "${screens[@]}" selected "$(shot 03-selected)" IMG_1234.jpg >/dev/null; }
wait_for "$step_timeout" "clicking IMG_1234.jpg did not select it" selected
# A clean picture of the main window for the README: the pointer rests on an empty part of the list.
xdotool mousemove $((monitor_w - 300)) $((monitor_h - 200))
sleep 0.5
monitor "$(shot 04-main-window)" 0 "$shots/main-window.png"
pass "IMG_1234.jpg selected"

# --- The slideshow ----------------------------------------------------------------------------------

# The pointer is on monitor 1 when the button is pressed, so the show goes to monitor 2.
xdotool mousemove "$play_x" "$play_y" click 1
# The show starts at the JPEG and goes on every second: PNG, JPEG 2000 (the missing file never made it
# into the list), then the JPEG again. Each picture is checked on the first screenshot that shows it.
"${screens[@]}" watch "$DISPLAY" "$shots" "$program_pid" \
    "$first_picture_timeout" "$next_picture_timeout" IMG_1234.jpg IMG_5678.png IMG_9012.jp2 IMG_1234.jpg |
    sed 's/^/     /' || fail "the slideshow on monitor 2 is not as expected"
monitor "$shots/show-1-IMG_1234.jpg.png" 1 "$shots/presentation-monitor.png"
pass "slideshow on monitor 2: upright, fitted, watermarked, advancing every second and wrapping;" \
    "main window still on monitor 1"

# Escape goes to the preview window, which took the focus when it was shown.
preview=$(visible_windows '^FormPreview')
[[ -n "$preview" ]] || fail "no preview window is visible during the show"
preview_focused() { [[ "$(xdotool getwindowfocus 2>/dev/null)" == "$preview" ]]; }
wait_for "$step_timeout" "the preview window does not have the keyboard focus" preview_focused
xdotool key Escape
preview_gone() { [[ -z "$(visible_windows '^FormPreview')" ]]; }
wait_for "$step_timeout" "Escape did not close the preview window" preview_gone
"${screens[@]}" black "$(shot 05-after-escape)" >/dev/null || fail "monitor 2 is not black after Escape"
"${screens[@]}" main "$shots/05-after-escape.png" >/dev/null ||
    fail "monitor 1 lost the main window after Escape"
pass "Escape: preview window gone, monitor 2 black again, main window on monitor 1"

# --- Exit with the show running ---------------------------------------------------------------------

# The show runs again on monitor 2, advancing by itself, when File > Exit is chosen on monitor 1: the
# program ends all the same, and its audience's window with it.
xdotool mousemove "$play_x" "$play_y" click 1
preview_shown() { [[ -n "$(visible_windows '^FormPreview')" ]]; }
wait_for "$step_timeout" "\"Play slideshow\" did not show the preview window again" preview_shown
showing_picture() { [[ "$("${screens[@]}" shown "$(shot 06-show-again)")" == IMG_* ]]; }
wait_for "$first_picture_timeout" "monitor 2 shows no picture after \"Play slideshow\" again" showing_picture
pass "\"Play slideshow\" again: the show runs on monitor 2"

menu_file 4  # ..., Load Last Image List, (separator), Exit
program_ended() { ! kill -0 "$program_pid" 2>/dev/null; }
program_may_end=1
wait_for "$exit_timeout" "File > Exit with the show running did not end the program" program_ended
status=0
wait "$program_pid" || status=$?
((status == 0)) || fail "the program ended with exit status $status"
"${screens[@]}" black "$(shot 07-after-exit)" >/dev/null || fail "monitor 2 is not black after File > Exit"
pass "File > Exit with the show running: the program ended with exit status 0, monitor 2 black"

[[ -f "$last_list" ]] || fail "no last image list file after exit"
result=$("${screens[@]}" listfile "$last_list" "$jpeg" "$png" "$jp2") ||
    fail "the last image list file is wrong"
pass "last image list: $result, the missing file left out"
[[ -f "$settings_file" ]] || fail "no settings file after exit"
result=$("${screens[@]}" settings "$settings_file" ListerViewModeThumbs=1 CheckBoxUseWatermarking=1 \
    SlideshowInterval=1) || fail "the settings file is wrong"
pass "settings file $(basename "$settings_file"): $result"

# --- A monitor scaled 2x ----------------------------------------------------------------------------

# The program again, at QT_SCALE_FACTOR=2: its windows are laid out in pixels of twice the size, and
# the picture surface must still fit and draw in the monitor's own pixels. Its list holds only the
# checkerboard, shown as it is (no watermark) and stepped by hand.
checkerboard="$pictures/checkerboard.png"
"${screens[@]}" checkerboard "$checkerboard"
write_unicode "$settings_file" "[Settings]" "CheckBoxUseWatermarking=0" \
    "RadioButtonSlideShowAutomaticAdvance=0" "RadioButtonSlideshowManualAdvance=1" "CheckBoxShowPresenterView=0"
write_unicode "$last_list" "$checkerboard"
scale=2
QT_SCALE_FACTOR=$scale "$program" >"$work/orvalis-scaled.log" 2>&1 &
program_pid=$!
program_may_end=""
wait_for "$start_timeout" "the main window did not appear at scale $scale" main_window_shown
wait_for "$splash_timeout" "the start-up splash did not go away at scale $scale" splash_gone
read -r play_x play_y < <("${screens[@]}" toolbar "$(shot 08-scaled-started)" "$scale") ||
    fail "no toolbar found above the image list at scale $scale"
pass "main window at scale $scale, \"Play slideshow\" at $play_x,$play_y"

menu_file 3  # Load Last Image List
checkerboard_listed() {
    "${screens[@]}" checkerboard-entry "$(shot 09-scaled-list)" $((play_y + 16 * scale)) >/dev/null
}
wait_for "$step_timeout" "the image list does not show the checkerboard at scale $scale" checkerboard_listed
xdotool mousemove "$play_x" "$play_y" click 1  # nothing selected: the show starts at the first entry
pixel_exact() { "${screens[@]}" exact "$(shot 10-scaled-show)" "$checkerboard" >/dev/null; }
wait_for "$first_picture_timeout" "monitor 2 does not show the checkerboard pixel for pixel at scale $scale" \
    pixel_exact
pass "scale $scale: monitor 2 shows the one-pixel checkerboard of 1920 x 1080 pixel for pixel"

menu_file 4  # Exit
program_may_end=1
wait_for "$exit_timeout" "File > Exit with the show up did not end the program at scale $scale" program_ended
status=0
wait "$program_pid" || status=$?
((status == 0)) || fail "the program at scale $scale ended with exit status $status"
pass "File > Exit at scale $scale: the program ended with exit status 0"
scale=1  # what runs after this is at the normal scale again

# --- Damaged files in the list ---------------------------------------------------------------------

# Files that crash the generic decoder (FreeImage) or stall it, and a JPEG that declares more pixels
# than any picture may have, between two good pictures: each gets the red "not supported" thumbnail,
# shows black when the show comes to it, and the show goes on. The crashing files are those of the
# tests (tests/data/hostile); one of them is named like a camera's JPEG.
hostile_data="$root/tests/data/hostile"
crash_psd="$pictures/IMG_2001.psd"
crash_pcx="$pictures/IMG_2002.pcx"
crash_jpg="$pictures/IMG_2003.JPG"
bomb_jpg="$pictures/IMG_2004.jpg"
stall_ras="$pictures/IMG_2005.ras"
cp "$hostile_data/photoshop-crashes.psd" "$crash_psd"
cp "$hostile_data/sun-raster-named-pcx-crashes.pcx" "$crash_pcx"
cp "$hostile_data/sun-raster-crashes.ras" "$crash_jpg"
"${screens[@]}" bomb "$bomb_jpg" 60000 60000
cp "$hostile_data/sun-raster-runs-for-a-minute.ras" "$stall_ras"
write_unicode "$settings_file" "[Settings]" "CheckBoxUseWatermarking=1" \
    "RadioButtonSlideShowAutomaticAdvance=0" "RadioButtonSlideshowManualAdvance=1" "CheckBoxShowPresenterView=0"
write_unicode "$last_list" "$jpeg" "$crash_psd" "$crash_pcx" "$crash_jpg" "$bomb_jpg" "$png"

# start_program NAME: starts the program afresh with the settings and last list written above and
# waits until its main window is up.
start_program() {
    "$program" >"$work/orvalis-$1.log" 2>&1 &
    program_pid=$!
    program_may_end=""
    wait_for "$start_timeout" "the main window did not appear ($1)" main_window_shown
    wait_for "$splash_timeout" "the start-up splash did not go away ($1)" splash_gone
}
start_program hostile
read -r play_x play_y < <("${screens[@]}" toolbar "$(shot 11-hostile-started)") ||
    fail "no toolbar found above the image list"
menu_file 3  # Load Last Image List
hostile_listed() {
    [[ "$("${screens[@]}" notsupported "$(shot 11-hostile-list)")" == 4 ]] &&
        "${screens[@]}" entry "$shots/11-hostile-list.png" IMG_5678.png >/dev/null &&
        "${screens[@]}" entry "$shots/11-hostile-list.png" IMG_1234.jpg >/dev/null
}
wait_for "$step_timeout" "the damaged files do not all have the \"not supported\" thumbnail" hostile_listed
pass "damaged files: four \"not supported\" thumbnails between the good ones, the program still running"

# Nothing is selected: the show starts at the first entry. Each left click on monitor 2 steps once.
xdotool mousemove "$play_x" "$play_y" click 1
showing() { [[ "$("${screens[@]}" shown "$(shot 12-hostile-show)")" == "$1" ]]; }
wait_for "$first_picture_timeout" "the show of the list with damaged files did not start" showing IMG_1234.jpg
xdotool mousemove $((monitor_w + monitor_w / 2)) $((monitor_h / 2)) click 1
wait_for "$step_timeout" "the step to a damaged file did not show black" showing black
for _ in 1 2 3 4; do
    xdotool click 1
    sleep 0.3
done
wait_for "$next_picture_timeout" "the show did not go on over the damaged files to IMG_5678.png" \
    showing IMG_5678.png
"${screens[@]}" main "$shots/12-hostile-show.png" >/dev/null || fail "monitor 1 lost the main window"
pass "the show steps over the damaged files (black on monitor 2) and goes on to the next picture"

# While the show runs, in the list view: the JPEG's row selected with a click and deleted with the
# Delete key. Back in the thumbnail view every entry is whole again: the PNG's 160 x 120 thumbnail with
# its caption, the four "not supported" texts.
read -r report_x report_y < <("${screens[@]}" toolbar "$shots/11-hostile-list.png" 1 0) ||
    fail "no \"List view mode\" button found"
read -r thumbs_x thumbs_y < <("${screens[@]}" toolbar "$shots/11-hostile-list.png" 1 1) ||
    fail "no \"Thumbnail view mode\" button found"
xdotool mousemove "$report_x" "$report_y" click 1
six_rows() { [[ "$("${screens[@]}" rows "$(shot 13-list-view)")" == 6 ]]; }
wait_for "$step_timeout" "the list view does not show the six entries" six_rows
read -r row_x row_y < <("${screens[@]}" row "$shots/13-list-view.png" 0) || fail "no first row in the list view"
xdotool mousemove "$row_x" "$row_y" click 1
sleep 0.3
xdotool key Delete
five_rows() { [[ "$("${screens[@]}" rows "$(shot 13-list-view-deleted)")" == 5 ]]; }
wait_for "$step_timeout" "Delete in the list view did not take IMG_1234.jpg out of the list" five_rows
xdotool mousemove "$thumbs_x" "$thumbs_y" click 1
thumbnails_whole() {
    "${screens[@]}" whole "$(shot 13-thumbnails-after-delete)" IMG_5678.png >"$work/whole.out" &&
        [[ "$("${screens[@]}" notsupported "$shots/13-thumbnails-after-delete.png")" == 4 ]]
}
wait_for "$step_timeout" "after Delete in the list view the thumbnail view is not whole" thumbnails_whole
pass "Delete in the list view, then the thumbnail view: $(cat "$work/whole.out"), four \"not supported\""

menu_file 4  # Exit
program_may_end=1
wait_for "$exit_timeout" "File > Exit did not end the program after the damaged files" program_ended
wait "$program_pid" || fail "the program ended with a failure after the damaged files"

# A file that keeps the decoder busy for a minute: File > Exit while its thumbnail is being made ends
# the program at once and takes the decoder processes with it.
write_unicode "$last_list" "$png" "$stall_ras"
start_program stalling
menu_file 3  # Load Last Image List
decoders() { pgrep -P "$program_pid" -x orvalis-decoder || true; }
stalled_decoder() {
    "${screens[@]}" entry "$(shot 14-stalling-list)" IMG_5678.png >/dev/null &&
        [[ "$("${screens[@]}" notsupported "$shots/14-stalling-list.png")" == 0 && -n "$(decoders)" ]]
}
wait_for "$step_timeout" "no decoder is at work on the stalling file" stalled_decoder
sleep 1  # well inside the stalling file by now, far from the decoder's deadline
running_decoders=$(decoders)
menu_file 4  # Exit
exit_asked=$(date +%s%N)
program_may_end=1
wait_for "$exit_timeout" "File > Exit with a stalled decoder did not end the program" program_ended
exit_ms=$((($(date +%s%N) - exit_asked) / 1000000))
wait "$program_pid" || fail "the program ended with a failure with a stalled decoder"
((exit_ms < 2000)) || fail "File > Exit with a stalled decoder took $exit_ms ms"
for decoder in $running_decoders; do
    ! kill -0 "$decoder" 2>/dev/null || fail "decoder process $decoder outlived the program"
done
pass "File > Exit with a decoder stalled on a file: the program ended in $exit_ms ms, its decoders with it"

# --- The presenter view, with real photographs ---------------------------------------------------------

# Five photographs of Debian's mate-backgrounds (GPL-2+, see tests/data/README.md), renamed like a
# camera's files. Automatic advance every minute, so that the countdown shows and the steps are the
# remote's: "Play slideshow" with the pointer on monitor 1 puts the show on monitor 2 and the presenter
# window on monitor 1, which takes the keyboard as a presentation remote needs it.
presenter=("$python" "$root/scripts/e2e/presenter.py")
photo_source=/usr/share/backgrounds/mate/nature
mapfile -t photos < <("${presenter[@]}" photographs "$pictures" "$photo_source/LadyBird.jpg" \
    "$photo_source/YellowFlower.jpg" "$photo_source/Dune.jpg" "$photo_source/Storm.jpg" \
    "$photo_source/Garden.jpg")
((${#photos[@]} == 5)) || fail "the photographs of mate-backgrounds are not in $photo_source"
write_unicode "$settings_file" "[Settings]" "CheckBoxUseWatermarking=0" "SlideshowInterval=60" \
    "RadioButtonSlideShowAutomaticAdvance=1" "RadioButtonSlideshowManualAdvance=0" "CheckBoxShowPresenterView=1"
write_unicode "$last_list" "${photos[@]}"
start_program presenter
read -r play_x play_y < <("${screens[@]}" toolbar "$(shot 18-presenter-started)") ||
    fail "no toolbar found above the image list"
menu_file 3  # Load Last Image List
presenter_shown() {
    presenter_window=$(visible_windows '^Presenter$' | head -n 1)
    [[ -n "$presenter_window" ]]
}
# "Play slideshow" does nothing until the list is loaded: pressed again until the show starts.
play_until_presenter() {
    presenter_shown || {
        xdotool mousemove "$play_x" "$play_y" click 1
        sleep 1
        presenter_shown
    }
}
wait_for "$step_timeout" "\"Play slideshow\" did not open the presenter window" play_until_presenter
eval "$(xdotool getwindowgeometry --shell "$presenter_window")"
((X >= 0 && X + WIDTH <= monitor_w && Y >= 0 && Y + HEIGHT <= monitor_h)) ||
    fail "the presenter window is at $X,$Y, $WIDTH x $HEIGHT, not on monitor 1"
presenter_focused() { [[ "$(xdotool getwindowfocus 2>/dev/null)" == "$presenter_window" ]]; }
wait_for "$step_timeout" "the presenter window does not have the keyboard focus" presenter_focused
showing_photo() { "${presenter[@]}" audience "$(shot "$1")" "$2" >/dev/null; }
wait_for "$first_picture_timeout" "monitor 2 does not show the first photograph" \
    showing_photo 19-presenter-show "${photos[0]}"
pass "presenter window on monitor 1 ($WIDTH x $HEIGHT at $X,$Y) with the keyboard focus, the first" \
    "photograph on monitor 2"

# Page Down, as a remote sends it, into the presenter window: monitor 2 steps to the next photograph.
xdotool key Next
wait_for "$step_timeout" "Page Down in the presenter window did not step monitor 2" \
    showing_photo 20-presenter-page-down "${photos[1]}"
pass "Page Down in the presenter window: monitor 2 shows the next photograph"
# The README's picture: the presenter view on monitor 1 beside the audience monitor, both at half size.
sleep 1  # the presenter's deferred update and the countdown's next tick
"${presenter[@]}" readme "$(shot 21-presenter-view)" "$shots/readme-presenter-view.png" >/dev/null
xdotool key b
audience_black() { "${screens[@]}" black "$(shot 22-presenter-blank)" >/dev/null; }
wait_for "$step_timeout" "\"B\" in the presenter window did not blank monitor 2" audience_black
xdotool key b
wait_for "$step_timeout" "\"B\" again did not bring the photograph back on monitor 2" \
    showing_photo 23-presenter-unblank "${photos[1]}"
pass "\"B\": monitor 2 black, and the photograph back with \"B\" again"
xdotool key Escape
show_ended() {
    [[ -z "$(visible_windows '^Presenter$')" && -z "$(visible_windows '^FormPreview')" ]]
}
wait_for "$step_timeout" "Escape in the presenter window did not end the show" show_ended
pass "Escape in the presenter window: the show and the presenter window are gone"

menu_file 4  # Exit
program_may_end=1
wait_for "$exit_timeout" "File > Exit did not end the program after the presenter view" program_ended
wait "$program_pid" || fail "the program ended with a failure after the presenter view"

# --- The audience monitor unplugged and plugged in again, with a window manager ------------------------

# openbox manages the windows here, as on the operator's desktop, undecorated so that the main window
# fills monitor 1 as before. During an automatic show monitor 2 is switched off (RandR: Qt reports the
# monitor removed): the audience window must not land on monitor 1, which keeps showing the main window,
# and the advance pauses. Switched on again, monitor 2 shows the picture it had and the show goes on.
# Then its resolution is switched: the audience window follows it. The settings remember the monitor
# by its name (DUMMY1), the status bar says what happens (its screenshots are kept).
hotplug=("$python" "$root/scripts/e2e/hotplug.py")
hotplug_started=$(date +%s)
hotplug_interval=4  # seconds; the show is unplugged well before its first step
cat >"$work/openbox.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <applications><application class="*"><decor>no</decor></application></applications>
</openbox_config>
XML
openbox --config-file "$work/openbox.xml" --sm-disable >"$work/openbox.log" 2>&1 &
openbox_pid=$!
window_manager() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_for "$step_timeout" "openbox did not start" window_manager
pass "openbox manages the windows"

write_unicode "$settings_file" "[Settings]" "CheckBoxUseWatermarking=0" "SlideshowInterval=$hotplug_interval" \
    "RadioButtonSlideShowAutomaticAdvance=1" "RadioButtonSlideshowManualAdvance=0" "CheckBoxShowPresenterView=0" \
    "[Display]" "Use=2" "Monitor=DUMMY1;;;"
write_unicode "$last_list" "$png" "$jp2"
start_program hotplug
read -r play_x play_y < <("${screens[@]}" toolbar "$(shot 14-hotplug-started)") ||
    fail "no toolbar found above the image list under openbox"
menu_file 3  # Load Last Image List
both_listed() {
    "${screens[@]}" entry "$(shot 14-hotplug-list)" IMG_5678.png >/dev/null &&
        "${screens[@]}" entry "$shots/14-hotplug-list.png" IMG_9012.jp2 >/dev/null
}
wait_for "$step_timeout" "the image list does not show IMG_5678.png and IMG_9012.jp2" both_listed
xdotool mousemove "$play_x" "$play_y" click 1
hotplug_showing() { [[ "$("${screens[@]}" shown "$(shot 15-hotplug-show)")" == "$1" ]]; }
wait_for "$first_picture_timeout" "the show did not start on monitor 2" hotplug_showing IMG_5678.png
pass "under openbox: the show runs on DUMMY1, remembered by name"

# The picture on monitor 2 just before it goes.
had=$("${screens[@]}" shown "$(shot 15-before-unplug)")
[[ "$had" == IMG_* ]] || fail "monitor 2 shows $had just before it is switched off"
status_showing=$("${hotplug[@]}" status "$shots/15-before-unplug.png")
xrandr --output DUMMY1 --off
single_monitor() { [[ "$(xrandr --listmonitors | head -n 1)" == "Monitors: 1" ]]; }
wait_for "$step_timeout" "xrandr did not switch DUMMY1 off" single_monitor
preview_gone() { [[ -z "$(visible_windows '^FormPreview')" ]]; }
wait_for "$step_timeout" "the audience window is still mapped after its monitor went away" preview_gone
# Longer than the interval: a show that went on advancing would have stepped meanwhile.
for check in 1 2 3; do
    sleep $((hotplug_interval / 2))
    "${hotplug[@]}" operator "$(shot "16-unplugged-$check")" >/dev/null ||
        fail "monitor 1 does not show the main window while monitor 2 is switched off"
done
status_paused=$("${hotplug[@]}" status "$shots/16-unplugged-3.png")
((status_paused != status_showing)) || fail "the status bar says the same as during the show ($status_paused)"
pass "DUMMY1 switched off: the audience window went, monitor 1 shows the main window uncovered for" \
    "$((3 * (hotplug_interval / 2))) s, the status bar changed"

xrandr --output DUMMY1 --mode 1920x1080_60 --right-of DUMMY0
result=$("${hotplug[@]}" returned "$DISPLAY" "$program_pid" "$step_timeout" $((hotplug_interval + 10)) \
    "$had" "$([[ "$had" == IMG_5678.png ]] && echo IMG_9012.jp2 || echo IMG_5678.png)") ||
    fail "the show did not come back to DUMMY1 as it was"
preview=$(visible_windows '^FormPreview')
eval "$(xdotool getwindowgeometry --shell "$preview")"
[[ "$X,$Y,$WIDTH,$HEIGHT" == "$monitor_w,0,$monitor_w,$monitor_h" ]] ||
    fail "the audience window came back at $X,$Y, $WIDTH x $HEIGHT instead of covering DUMMY1"
pass "DUMMY1 on again: $result; the window covers it"

# A smaller resolution on monitor 2: the window covers it exactly and the picture is fitted to it.
xrandr --newmode "1280x720_60" 74.50 1280 1344 1472 1664 720 723 728 748 -hsync +vsync 2>/dev/null || true
xrandr --addmode DUMMY1 1280x720_60 2>/dev/null || true
xrandr --output DUMMY1 --mode 1280x720_60
preview_follows() {
    eval "$(xdotool getwindowgeometry --shell "$preview")"
    [[ "$X,$Y,$WIDTH,$HEIGHT" == "$monitor_w,0,1280,720" ]] &&
        [[ "$("${hotplug[@]}" shown "$(shot 17-resolution)" 1280 720)" == IMG_* ]]
}
wait_for "$step_timeout" "the audience window does not cover DUMMY1 at 1280 x 720 with a fitted picture" \
    preview_follows
xrandr --output DUMMY1 --mode 1920x1080_60
pass "DUMMY1 at 1280 x 720: the window covers it and the picture is fitted to it"

menu_file 4  # Exit
program_may_end=1
wait_for "$exit_timeout" "File > Exit did not end the program under openbox" program_ended
wait "$program_pid" || fail "the program ended with a failure under openbox"
kill "$openbox_pid" 2>/dev/null || true
wait "$openbox_pid" 2>/dev/null || true
pass "monitor unplugged and plugged in again: checked in $(($(date +%s) - hotplug_started)) s"


# --- Photographs: the command line, a second start, the README's pictures -----------------------------
#
# A second run of the program, on real photographs: the nature photographs of Debian's mate-backgrounds
# package (GPL-2+, their authors in the package's copyright file; the presenter's run uses five of them),
# renamed like a camera's files (IMG_2101_Aqua.jpg, ...), so that the watermark has a number to show.
#   - the program starts with a folder of eleven photographs on its command line, its browser pointed
#     at that folder: the image list fills with their thumbnails;
#   - a second start of the program with the twelfth photograph ends at once with exit status 0, and the
#     photograph joins the list of the program that runs;
#   - "Play slideshow" shows the first photograph on monitor 2, fitted and watermarked "2101";
#   - the main window and monitor 2 are the README's screenshots (readme-main-window.png,
#     readme-presentation-monitor.png in SHOTS_DIR);
#   - File > Exit leaves a last image list of the folder's photographs in name order, then the twelfth.
photos_package=mate-backgrounds

photographs_run() {
    # The photographs lie in a home of their own under /home, as on a desktop, so that the browser's
    # folder tree in the README's screenshot shows an ordinary machine rather than this run's /tmp.
    if [[ -e /home/operator ]]; then
        photo_home=$(mktemp -d /home/operator.XXXXXX)
    else
        photo_home=/home/operator
        mkdir -p "$photo_home"
    fi
    export HOME="$photo_home"
    local nature="$HOME/Pictures/Nature" party="$HOME/Pictures/Garden party"
    mkdir -p "$nature" "$party"
    local names=() number=2101 source name
    for source in "$photo_source"/*.jpg; do
        name="IMG_${number}_$(basename "$source")"
        names+=("$name")
        number=$((number + 1))
    done
    ((${#names[@]} >= 4)) || fail "only ${#names[@]} photographs in $photo_source"
    local held="${names[-1]}" expected=()
    number=0
    for source in "$photo_source"/*.jpg; do
        name=${names[number]}
        number=$((number + 1))
        if [[ "$name" == "$held" ]]; then
            cp "$source" "$party/$name"
        else
            cp "$source" "$nature/$name"
            expected+=("$nature/$name")
        fi
    done
    expected+=("$party/$held")
    local first_photo="$nature/${names[0]}"

    # Watermarked, stepped by hand (the first photograph stays on the screen), thumbnail view; the
    # browser opens at the folder.
    write_unicode "$settings_file" "[Settings]" "CheckBoxUseWatermarking=1" "SlideshowInterval=10" \
        "RadioButtonSlideShowAutomaticAdvance=0" "RadioButtonSlideshowManualAdvance=1" "ListerViewModeThumbs=1" \
        "CheckBoxShowPresenterView=0"
    mkdir -p "$XDG_CONFIG_HOME/Quenmark"
    printf '[LastFolder]\n1421B16D-DC34-4B24-B32D-6F95D0F0BF56=%s\n' "$nature" \
        >"$XDG_CONFIG_HOME/Quenmark/Brackwell.ini"
    pass "${#names[@]} photographs of Debian's $photos_package in $HOME/Pictures"

    program_may_end=""
    "$program" "$nature" >"$work/orvalis-photos.log" 2>&1 &
    program_pid=$!
    wait_for "$start_timeout" "the main window did not appear (photographs)" main_window_shown
    wait_for "$splash_timeout" "the start-up splash did not go away (photographs)" splash_gone
    xdotool mousemove $((monitor_w - 300)) $((monitor_h - 100))
    local listed
    listed=$("${screens[@]}" settled "$DISPLAY" "$shots/30-photos-listed.png" 1.5 90 20000) ||
        fail "the photographs of the folder on the command line did not fill the image list"
    pass "started with the folder on its command line: thumbnails of $((${#names[@]} - 1)) photographs" \
        "($listed colourful samples)"

    local status=0
    timeout 60 "$program" "$party/$held" >"$work/orvalis-second.log" 2>&1 || status=$?
    ((status == 0)) || fail "the second start ended with status $status: $(cat "$work/orvalis-second.log")"
    kill -0 "$program_pid" 2>/dev/null || fail "the first program ended when the second started"
    local joined
    joined=$("${screens[@]}" settled "$DISPLAY" "$shots/31-photos-joined.png" 1.5 60 $((listed + 1500))) ||
        fail "the photograph of the second start did not join the list of the first program"
    monitor "$shots/31-photos-joined.png" 0 "$shots/readme-main-window.png"
    pass "a second start with $held ended at once (status 0); the photograph joined the running" \
        "program's list ($listed -> $joined colourful samples)"

    local play_x play_y
    read -r play_x play_y < <("${screens[@]}" toolbar "$shots/31-photos-joined.png") ||
        fail "no toolbar found above the image list (photographs)"
    xdotool mousemove "$play_x" "$play_y" click 1
    photo_shown() {
        "${screens[@]}" photo "$(shot 32-photo-shown)" "$first_photo" >"$work/photo.out"
    }
    wait_for "$first_picture_timeout" "monitor 2 does not show ${names[0]}" photo_shown
    monitor "$shots/32-photo-shown.png" 1 "$shots/readme-presentation-monitor.png"
    pass "\"Play slideshow\": monitor 2 shows ${names[0]} $(cat "$work/photo.out")"

    local preview
    preview=$(visible_windows '^FormPreview')
    [[ -n "$preview" ]] || fail "no preview window is visible (photographs)"
    preview_focused() { [[ "$(xdotool getwindowfocus 2>/dev/null)" == "$preview" ]]; }
    wait_for "$step_timeout" "the preview window does not have the keyboard focus (photographs)" preview_focused
    xdotool key Escape
    wait_for "$step_timeout" "Escape did not close the preview window (photographs)" preview_gone
    menu_file 4
    program_may_end=1
    wait_for "$exit_timeout" "File > Exit did not end the program (photographs)" program_ended
    status=0
    wait "$program_pid" || status=$?
    ((status == 0)) || fail "the program ended with exit status $status (photographs)"
    local result
    result=$("${screens[@]}" listfile "$last_list" "${expected[@]}") ||
        fail "the last image list is not the folder's photographs and the handed-over one"
    pass "File > Exit: last image list: $result (the folder in name order, then the handed-over photograph)"
}
photographs_run

pass "all checks passed in $(($(date +%s) - started)) s; screenshots in $shots"
