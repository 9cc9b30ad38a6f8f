# shellcheck shell=bash disable=SC2154,SC2317
# (Sourced: the variables it reads are set by scripts/e2e/common.sh and the session's entry, and wait_for
# calls the conditions defined inside its functions.)
# Photographs: the command line, a second start, the README's pictures; the last section of a session's
# end-to-end run (sourced by its entry, scripts/e2e/xorg.sh; written against scripts/e2e/common.sh and the
# session's driver, scripts/e2e/x11.sh).
#
# A second run of the program, on real photographs: the club's photographs of photographs_home, the
# nature photographs of Debian's mate-backgrounds package (GPL-2+, their authors in the package's
# copyright file; the presenter's run uses five of them) named like a camera's files
# (IMG_2101_Aqua.jpg, ...), so that the watermark has a number to show. The program runs as on a freshly
# installed machine (scripts/e2e/clean-root.sh), for the README.
#   - the program starts with ~/Pictures/Club evening, a folder of eleven photographs, on its command
#     line, the browser remembering no folder: the image list fills with their thumbnails and the
#     browser opens at that folder;
#   - a second start of the program with the twelfth photograph, from ~/Pictures/Garden party, ends at
#     once with exit status 0, and the photograph joins the list of the program that runs;
#   - "Play slideshow" shows the first photograph on monitor 2, fitted and watermarked "2101", in the
#     window the desktop shows as "Orvalis — audience";
#   - the main window, made 1280 x 800 for a moment, and monitor 2 are the README's screenshots
#     (readme-main-window.png, readme-presentation-monitor.png in SHOTS_DIR);
#   - File > Exit leaves a last image list of the folder's photographs in name order, then the twelfth,
#     and the browser remembers the folder it showed, Club evening.
#
#   photographs_run   the whole section, once user_folders has run

# The main window's size in the README's picture.
readme_width=1280
readme_height=800

photographs_run() {
    local -a program_runner
    local -x HOME
    photographs_home
    HOME=$photo_home
    # shellcheck disable=SC2034  # launch_program, called from here, reads it
    program_runner=("${clean_root[@]}")
    local held_name first_photo=${club_photos[0]} browser_memory="$XDG_CONFIG_HOME/Quenmark/Brackwell.ini"
    held_name=$(basename "$held_photo")

    # Watermarked, stepped by hand (the first photograph stays on the screen), thumbnail view; the browser
    # remembers no folder of an earlier run: the command line's folder is where it opens.
    write_unicode "$settings_file" "[Settings]" "CheckBoxUseWatermarking=1" "SlideshowInterval=10" \
        "RadioButtonSlideShowAutomaticAdvance=0" "RadioButtonSlideshowManualAdvance=1" "ListerViewModeThumbs=1" \
        "CheckBoxShowPresenterView=0"
    rm -f "$browser_memory"

    launch_program orvalis-photos.log "$club_folder"
    program_up " (photographs)"
    move_pointer $((monitor_w - 300)) $((monitor_h - 100))
    local listed
    listed=$("${screens[@]}" settled "$display" "$shots/30-photos-listed.png" 1.5 90 20000) ||
        fail "the photographs of the folder on the command line did not fill the image list"
    pass "started with the folder on its command line: thumbnails of ${#club_photos[@]} photographs" \
        "($listed colourful samples)"

    # The second start runs outside the clean root: the paths are the same on both sides.
    local status=0
    timeout 60 "$program" "$held_photo" >"$work/orvalis-second.log" 2>&1 || status=$?
    ((status == 0)) || fail "the second start ended with status $status: $(cat "$work/orvalis-second.log")"
    kill -0 "$program_pid" 2>/dev/null || fail "the first program ended when the second started"
    local joined
    joined=$("${screens[@]}" settled "$display" "$shots/31-photos-joined.png" 1.5 60 $((listed + 1500))) ||
        fail "the photograph of the second start did not join the list of the first program"
    pass "a second start with $held_name ended at once (status 0); the photograph joined the running" \
        "program's list ($listed -> $joined colourful samples)"

    # The README's picture of the main window, at the size of a laptop's screen so that its texts stay
    # legible at the README's width; then back to the whole monitor.
    window_resize "$main_window" "$readme_width" "$readme_height"
    "${screens[@]}" settled "$display" "$shots/31-photos-readme.png" 1.5 60 1000 >/dev/null ||
        fail "the main window did not settle at $readme_width x $readme_height"
    convert "$shots/31-photos-readme.png" -crop "${readme_width}x${readme_height}+0+0" +repage \
        "$shots/readme-main-window.png"
    window_resize "$main_window" "$monitor_w" "$monitor_h"
    "${screens[@]}" settled "$display" "$shots/31-photos-whole.png" 1.5 60 $((joined * 9 / 10)) >/dev/null ||
        fail "the main window did not fill monitor 1 again"
    local play_x play_y
    read -r play_x play_y < <("${screens[@]}" toolbar "$shots/31-photos-whole.png") ||
        fail "no toolbar found above the image list (photographs)"
    click_at "$play_x" "$play_y"
    photo_shown() {
        "${screens[@]}" photo "$(shot 32-photo-shown)" "$first_photo" >"$work/photo.out"
    }
    wait_for "$first_picture_timeout" "monitor 2 does not show $(basename "$first_photo")" photo_shown
    monitor "$shots/32-photo-shown.png" 1 "$shots/readme-presentation-monitor.png"
    pass "\"Play slideshow\": monitor 2 shows $(basename "$first_photo") $(cat "$work/photo.out")"

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
    result=$("${screens[@]}" listfile "$last_list" "${club_photos[@]}" "$held_photo") ||
        fail "the last image list is not the folder's photographs and the handed-over one"
    pass "File > Exit: last image list: $result (the folder in name order, then the handed-over photograph)"
    grep -Fqx "1421B16D-DC34-4B24-B32D-6F95D0F0BF56=$club_folder" "$browser_memory" ||
        fail "the browser did not show the folder of the command line (it remembers:" \
            "$(grep -s 1421B16D "$browser_memory" || echo nothing))"
    pass "the browser showed the folder of the command line and remembers it: $club_folder"
}
