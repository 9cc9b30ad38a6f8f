# shellcheck shell=bash disable=SC2154,SC2317
# (Sourced: the variables it reads are set by scripts/e2e/common.sh and the session's entry, and wait_for
# calls the conditions defined inside its functions.)
# The show, the first section of a session's end-to-end run (sourced by its entry, scripts/e2e/xorg.sh;
# written against scripts/e2e/common.sh and the session's driver, scripts/e2e/x11.sh):
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
#     window with it) and leaves the last image list and the settings file behind.
#
#   show_run   the whole section, once make_pictures and user_folders have run; the program has ended
#              after it

show_run() {
    local play_x play_y entry_x entry_y preview result

    # Watermarking on (text from character 5, 4 characters: "1234" of IMG_1234.jpg, bottom right by
    # default), automatic advance every second.
    # The presenter view stays off until its own section: these sections drive the audience window itself.
    write_unicode "$settings_file" "[Settings]" "CheckBoxUseWatermarking=1" "SlideshowInterval=1" \
        "RadioButtonSlideShowAutomaticAdvance=1" "RadioButtonSlideshowManualAdvance=0" "CheckBoxShowPresenterView=0"
    write_unicode "$last_list" "$jpeg" "$png" "$missing" "$jp2"
    pass "pictures, settings file and last image list in $work"

    # --- Start

    launch_program orvalis.log
    program_up
    window_geometry "$main_window"
    [[ "$X,$Y,$WIDTH,$HEIGHT" == "0,0,$monitor_w,$monitor_h" ]] ||
        fail "the main window is at $X,$Y, $WIDTH x $HEIGHT instead of filling monitor 1"
    "${screens[@]}" main "$(shot 01-started)" >/dev/null || fail "monitor 1 does not show the main window"
    pass "main window fills monitor 1, splash gone"

    # The "Play slideshow" button, found from the toolbar's icons while the list is still empty.
    read -r play_x play_y < <("${screens[@]}" toolbar "$shots/01-started.png") ||
        fail "no toolbar found above the image list"
    pass "toolbar found, \"Play slideshow\" at $play_x,$play_y"

    # --- Load the last image list

    menu_file 3  # Load Image List..., Save Image List..., Load Last Image List
    entries_shown() { "${screens[@]}" entries "$(shot 02-list-loaded)" >/dev/null; }
    wait_for "$step_timeout" "the image list does not show the entries of the last image list" entries_shown
    pass "File > Load Last Image List: thumbnails of IMG_1234.jpg (its EXIF thumbnail)," \
        "IMG_5678.png and IMG_9012.jp2"

    # Select the JPEG with a click on its thumbnail.
    read -r entry_x entry_y < <("${screens[@]}" entry "$shots/02-list-loaded.png" IMG_1234.jpg) ||
        fail "no thumbnail of IMG_1234.jpg to click"
    click_at "$entry_x" "$entry_y"
    selected() { "${screens[@]}" selected "$(shot 03-selected)" IMG_1234.jpg >/dev/null; }
    wait_for "$step_timeout" "clicking IMG_1234.jpg did not select it" selected
    # A clean picture of the main window for the README: the pointer rests on an empty part of the list.
    move_pointer $((monitor_w - 300)) $((monitor_h - 200))
    sleep 0.5
    monitor "$(shot 04-main-window)" 0 "$shots/main-window.png"
    pass "IMG_1234.jpg selected"

    # --- The slideshow

    # The pointer is on monitor 1 when the button is pressed, so the show goes to monitor 2.
    click_at "$play_x" "$play_y"
    # The show starts at the JPEG and goes on every second: PNG, JPEG 2000 (the missing file never made it
    # into the list), then the JPEG again. Each picture is checked on the first screenshot that shows it.
    "${screens[@]}" watch "$display" "$shots" "$program_pid" \
        "$first_picture_timeout" "$next_picture_timeout" IMG_1234.jpg IMG_5678.png IMG_9012.jp2 IMG_1234.jpg |
        sed 's/^/     /' || fail "the slideshow on monitor 2 is not as expected"
    monitor "$shots/show-1-IMG_1234.jpg.png" 1 "$shots/presentation-monitor.png"
    pass "slideshow on monitor 2: upright, fitted, watermarked, advancing every second and wrapping;" \
        "main window still on monitor 1"

    # Escape goes to the preview window, which took the focus when it was shown.
    preview=$(visible_windows "$audience_title")
    [[ -n "$preview" ]] || fail "no preview window is visible during the show"
    wait_for "$step_timeout" "the preview window does not have the keyboard focus" window_focused "$preview"
    press Escape
    wait_for "$step_timeout" "Escape did not close the preview window" preview_gone
    "${screens[@]}" black "$(shot 05-after-escape)" >/dev/null || fail "monitor 2 is not black after Escape"
    "${screens[@]}" main "$shots/05-after-escape.png" >/dev/null ||
        fail "monitor 1 lost the main window after Escape"
    pass "Escape: preview window gone, monitor 2 black again, main window on monitor 1"

    # --- Exit with the show running

    # The show runs again on monitor 2, advancing by itself, when File > Exit is chosen on monitor 1: the
    # program ends all the same, and its audience's window with it.
    click_at "$play_x" "$play_y"
    wait_for "$step_timeout" "\"Play slideshow\" did not show the preview window again" preview_shown
    showing_picture() { [[ "$("${screens[@]}" shown "$(shot 06-show-again)")" == IMG_* ]]; }
    wait_for "$first_picture_timeout" "monitor 2 shows no picture after \"Play slideshow\" again" showing_picture
    pass "\"Play slideshow\" again: the show runs on monitor 2"

    menu_file 4  # ..., Load Last Image List, (separator), Exit
    awaited_exit "File > Exit with the show running did not end the program"
    ((program_status == 0)) || fail "the program ended with exit status $program_status"
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
}
