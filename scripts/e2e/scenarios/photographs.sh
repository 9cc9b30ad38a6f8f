# shellcheck shell=bash disable=SC2154,SC2317
# (Sourced: the variables it reads are set by scripts/e2e/common.sh and the session's entry, and wait_for
# calls the conditions defined inside its functions.)
# Photographs: the command line, a second start, the README's pictures; the last section of a session's
# end-to-end run (sourced by its entry, scripts/e2e/xorg.sh; written against scripts/e2e/common.sh and the
# session's driver, scripts/e2e/x11.sh).
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
#
#   photographs_run   the whole section, once user_folders has run; makes the photographs' home
#                     (photo_home), which the run's clean-up removes

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

    launch_program orvalis-photos.log "$nature"
    program_up " (photographs)"
    move_pointer $((monitor_w - 300)) $((monitor_h - 100))
    local listed
    listed=$("${screens[@]}" settled "$display" "$shots/30-photos-listed.png" 1.5 90 20000) ||
        fail "the photographs of the folder on the command line did not fill the image list"
    pass "started with the folder on its command line: thumbnails of $((${#names[@]} - 1)) photographs" \
        "($listed colourful samples)"

    local status=0
    timeout 60 "$program" "$party/$held" >"$work/orvalis-second.log" 2>&1 || status=$?
    ((status == 0)) || fail "the second start ended with status $status: $(cat "$work/orvalis-second.log")"
    kill -0 "$program_pid" 2>/dev/null || fail "the first program ended when the second started"
    local joined
    joined=$("${screens[@]}" settled "$display" "$shots/31-photos-joined.png" 1.5 60 $((listed + 1500))) ||
        fail "the photograph of the second start did not join the list of the first program"
    monitor "$shots/31-photos-joined.png" 0 "$shots/readme-main-window.png"
    pass "a second start with $held ended at once (status 0); the photograph joined the running" \
        "program's list ($listed -> $joined colourful samples)"

    local play_x play_y
    read -r play_x play_y < <("${screens[@]}" toolbar "$shots/31-photos-joined.png") ||
        fail "no toolbar found above the image list (photographs)"
    click_at "$play_x" "$play_y"
    photo_shown() {
        "${screens[@]}" photo "$(shot 32-photo-shown)" "$first_photo" >"$work/photo.out"
    }
    wait_for "$first_picture_timeout" "monitor 2 does not show ${names[0]}" photo_shown
    monitor "$shots/32-photo-shown.png" 1 "$shots/readme-presentation-monitor.png"
    pass "\"Play slideshow\": monitor 2 shows ${names[0]} $(cat "$work/photo.out")"

    local preview
    preview=$(visible_windows "$audience_title")
    [[ -n "$preview" ]] || fail "no preview window is visible (photographs)"
    local title
    title=$(window_title "$preview")
    [[ "$title" == "Orvalis — audience" ]] || fail "the desktop shows the audience window as \"$title\""
    pass "the desktop shows the audience window as \"$title\""
    wait_for "$step_timeout" "the preview window does not have the keyboard focus (photographs)" \
        window_focused "$preview"
    press Escape
    wait_for "$step_timeout" "Escape did not close the preview window (photographs)" preview_gone
    menu_file 4
    awaited_exit "File > Exit did not end the program (photographs)"
    ((program_status == 0)) || fail "the program ended with exit status $program_status (photographs)"
    local result
    result=$("${screens[@]}" listfile "$last_list" "${expected[@]}") ||
        fail "the last image list is not the folder's photographs and the handed-over one"
    pass "File > Exit: last image list: $result (the folder in name order, then the handed-over photograph)"
}
