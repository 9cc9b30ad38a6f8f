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
#   - File > Exit: the program ends and leaves the last image list and the settings file behind;
#   - then a second run on real photographs: a folder on the command line, a second start handing a
#     photograph to the running program, the README's screenshots (see that section below).
#
# Usage: scripts/e2e.sh [BUILD_DIR [SHOTS_DIR]]
#   BUILD_DIR  the build folder (default $ORVALIS_BUILD_DIR, else build/); bin/orvalis is built there
#              when missing.
#   SHOTS_DIR  where the screenshots go (default $E2E_SHOTS, else BUILD_DIR/e2e-shots), among them
#              readme-main-window.png and readme-presentation-monitor.png for the README.
#
# Needs root (to start Xorg) and the Debian packages xserver-xorg-core, xserver-xorg-video-dummy,
# x11-xserver-utils, xdotool, imagemagick, libimage-exiftool-perl, libopenjp2-tools and python3-pil.
# Every check prints a line as it passes; the first failure ends the run with a non-zero exit status.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh"
build=$(realpath -m "${1:-${ORVALIS_BUILD_DIR:-"$root/build"}}")
shots=$(realpath -m "${2:-${E2E_SHOTS:-"$build/e2e-shots"}}")
# Debian's Python with python3-pil; a python3 earlier on the PATH may lack PIL.
python=/usr/bin/python3
screens=("$python" "$root/scripts/e2e/screens.py")

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

need() {  # need COMMAND PACKAGE
    command -v "$1" >/dev/null 2>&1 || fail "$1 is missing (Debian package $2)"
}
need Xorg xserver-xorg-core
need xrandr x11-xserver-utils
need xdotool xdotool
need import imagemagick
need exiftool libimage-exiftool-perl
need opj_compress libopenjp2-tools
[[ -e /usr/lib/xorg/modules/drivers/dummy_drv.so ]] ||
    fail "Xorg's dummy driver is missing (Debian package xserver-xorg-video-dummy)"
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
xorg_pid=""
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
    if [[ -n "$xorg_pid" ]] && kill -0 "$xorg_pid" 2>/dev/null; then
        kill "$xorg_pid" 2>/dev/null || true
        for _ in $(seq 50); do kill -0 "$xorg_pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$xorg_pid" 2>/dev/null || true
    fi
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

# Xorg with the dummy driver: one 3840 x 1080 screen, split by RandR into two outputs of 1920 x 1080.
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

# The first display number from :90 up that no other server holds. Two runs that pick the same number
# at the same moment: the loser's Xorg ends at once, and it tries the next number.
start_xorg() {
    local n
    for ((n = 90; n < 190; n++)); do
        [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
        Xorg ":$n" -noreset -nolisten tcp -config "$work/xorg.conf" -logfile "$work/Xorg.log" \
            >"$work/Xorg.out" 2>&1 &
        xorg_pid=$!
        local deadline=$((SECONDS + 30))
        while ((SECONDS < deadline)) && kill -0 "$xorg_pid" 2>/dev/null; do
            if xrandr -display ":$n" --query >/dev/null 2>&1; then
                display=":$n"
                return 0
            fi
            sleep 0.2
        done
        kill "$xorg_pid" 2>/dev/null || true
        wait "$xorg_pid" 2>/dev/null || true
        xorg_pid=""
        # Another server took the number in the meantime: try the next one; anything else is fatal.
        grep -q "already active" "$work/Xorg.out" "$work/Xorg.log" 2>/dev/null || break
    done
    cp "$work/Xorg.out" "$shots/Xorg.out" 2>/dev/null || true
    fail "Xorg with the dummy driver did not start (it must run as root; see $shots/Xorg.out and Xorg.log)"
}
start_xorg
export DISPLAY=$display

xrandr --output DUMMY0 --mode 1920x1080 --pos 0x0
xrandr --newmode "1920x1080_60" 173.00 1920 2048 2248 2576 1080 1083 1088 1120 -hsync +vsync
xrandr --addmode DUMMY1 1920x1080_60
xrandr --output DUMMY1 --mode 1920x1080_60 --right-of DUMMY0
monitors=$(xrandr --listmonitors)
if ! grep -q '^Monitors: 2$' <<<"$monitors" || ! grep -q ' 1920/[0-9]*x1080/[0-9]*+0+0 ' <<<"$monitors" ||
    ! grep -q ' 1920/[0-9]*x1080/[0-9]*+1920+0 ' <<<"$monitors"; then
    fail "xrandr did not make two 1920 x 1080 monitors side by side: $monitors"
fi
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
write_unicode "$settings_file" "[Settings]" "CheckBoxUseWatermarking=1" "SlideshowInterval=1" \
    "RadioButtonSlideShowAutomaticAdvance=1" "RadioButtonSlideshowManualAdvance=0"
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
# picks its item DOWNS steps down with the keyboard.
menu_file() {
    local downs=$1
    # The open menu is a visible window of the program of its own, just below the menu's title.
    menu_open() {
        local window
        for window in $(xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null); do
            [[ "$window" == "$main_window" ]] && continue
            eval "$(xdotool getwindowgeometry --shell "$window" | grep -E '^[XY]=')"
            ((X < 50 && Y < 60)) && return 0
        done
        return 1
    }
    xdotool mousemove 10 8 click 1
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

# --- Exit -------------------------------------------------------------------------------------------

menu_file 4  # ..., Load Last Image List, (separator), Exit
program_ended() { ! kill -0 "$program_pid" 2>/dev/null; }
program_may_end=1
wait_for "$exit_timeout" "File > Exit did not end the program" program_ended
status=0
wait "$program_pid" || status=$?
((status == 0)) || fail "the program ended with exit status $status"
pass "File > Exit: the program ended with exit status 0"

[[ -f "$last_list" ]] || fail "no last image list file after exit"
result=$("${screens[@]}" listfile "$last_list" "$jpeg" "$png" "$jp2") ||
    fail "the last image list file is wrong"
pass "last image list: $result, the missing file left out"
[[ -f "$settings_file" ]] || fail "no settings file after exit"
result=$("${screens[@]}" settings "$settings_file" ListerViewModeThumbs=1 CheckBoxUseWatermarking=1 \
    SlideshowInterval=1) || fail "the settings file is wrong"
pass "settings file $(basename "$settings_file"): $result"


# --- Photographs: the command line, a second start, the README's pictures -----------------------------
#
# A second run of the program, on real photographs: the nature photographs of Debian's mate-backgrounds
# package (GPL-2+, their authors in the package's copyright file, copied beside them), fetched once with
# apt-get download into BUILD_DIR/e2e-photos and renamed like a camera's files (IMG_2101_Aqua.jpg, ...),
# so that the watermark has a number to show.
#   - the program starts with a folder of eleven photographs on its command line, its browser pointed
#     at that folder: the image list fills with their thumbnails;
#   - a second start of the program with the twelfth photograph ends at once with exit status 0, and the
#     photograph joins the list of the program that runs;
#   - "Play slideshow" shows the first photograph on monitor 2, fitted and watermarked "2101";
#   - the main window and monitor 2 are the README's screenshots (readme-main-window.png,
#     readme-presentation-monitor.png in SHOTS_DIR);
#   - File > Exit leaves a last image list of the folder's photographs in name order, then the twelfth.
photos_package=mate-backgrounds
photo_cache="$build/e2e-photos"

fetch_photographs() {
    if compgen -G "$photo_cache/*.jpg" >/dev/null && [[ -f "$photo_cache/copyright" ]]; then
        return 0
    fi
    local download="$work/download"
    mkdir -p "$download" "$photo_cache"
    local get=(apt-get download -qq -o APT::Sandbox::User=root "$photos_package")
    (cd "$download" && { "${get[@]}" 2>/dev/null || { apt-get update -qq && "${get[@]}"; }; }) ||
        fail "apt-get download $photos_package failed"
    dpkg-deb --fsys-tarfile "$download/${photos_package}"_*.deb |
        tar -x -C "$download" --wildcards './usr/share/backgrounds/mate/nature/*.jpg' \
            "./usr/share/doc/$photos_package/copyright"
    cp "$download"/usr/share/backgrounds/mate/nature/*.jpg "$photo_cache/"
    cp "$download/usr/share/doc/$photos_package/copyright" "$photo_cache/copyright"
    rm -rf "$download"
}

photographs_run() {
    fetch_photographs
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
    for source in "$photo_cache"/*.jpg; do
        name="IMG_${number}_$(basename "$source")"
        names+=("$name")
        number=$((number + 1))
    done
    ((${#names[@]} >= 4)) || fail "only ${#names[@]} photographs in $photo_cache"
    local held="${names[-1]}" expected=()
    number=0
    for source in "$photo_cache"/*.jpg; do
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
        "RadioButtonSlideShowAutomaticAdvance=0" "RadioButtonSlideshowManualAdvance=1" "ListerViewModeThumbs=1"
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
    listed=$("${screens[@]}" settled "$DISPLAY" "$shots/10-photos-listed.png" 1.5 90 20000) ||
        fail "the photographs of the folder on the command line did not fill the image list"
    pass "started with the folder on its command line: thumbnails of $((${#names[@]} - 1)) photographs" \
        "($listed colourful samples)"

    local status=0
    timeout 60 "$program" "$party/$held" >"$work/orvalis-second.log" 2>&1 || status=$?
    ((status == 0)) || fail "the second start ended with status $status: $(cat "$work/orvalis-second.log")"
    kill -0 "$program_pid" 2>/dev/null || fail "the first program ended when the second started"
    local joined
    joined=$("${screens[@]}" settled "$DISPLAY" "$shots/11-photos-joined.png" 1.5 60 $((listed + 1500))) ||
        fail "the photograph of the second start did not join the list of the first program"
    monitor "$shots/11-photos-joined.png" 0 "$shots/readme-main-window.png"
    pass "a second start with $held ended at once (status 0); the photograph joined the running" \
        "program's list ($listed -> $joined colourful samples)"

    local play_x play_y
    read -r play_x play_y < <("${screens[@]}" toolbar "$shots/11-photos-joined.png") ||
        fail "no toolbar found above the image list (photographs)"
    xdotool mousemove "$play_x" "$play_y" click 1
    photo_shown() {
        "${screens[@]}" photo "$(shot 12-photo-shown)" "$first_photo" >"$work/photo.out"
    }
    wait_for "$first_picture_timeout" "monitor 2 does not show ${names[0]}" photo_shown
    monitor "$shots/12-photo-shown.png" 1 "$shots/readme-presentation-monitor.png"
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
