# shellcheck shell=bash disable=SC2154,SC2317
# (Sourced: the variables it reads are set by scripts/e2e/common.sh and the session's entry, and wait_for
# calls the conditions defined inside its functions.)
# A monitor scaled 2x, a section of a session's end-to-end run (sourced by its entry,
# scripts/e2e/xorg.sh; written against scripts/e2e/common.sh and the session's driver,
# scripts/e2e/x11.sh):
#
#   - a second, short run at QT_SCALE_FACTOR=2, as on a monitor scaled 200 %: a one-pixel checkerboard
#     of 1920 x 1080 shown on monitor 2 is there pixel for pixel, not as a half-size copy doubled; File >
#     Exit with the show up ends that run too.
#
#   scaled_run   the whole section, once make_pictures and user_folders have run

scaled_run() {
    local checkerboard="$pictures/checkerboard.png" play_x play_y

    # The program again, at QT_SCALE_FACTOR=2: its windows are laid out in pixels of twice the size, and
    # the picture surface must still fit and draw in the monitor's own pixels. Its list holds only the
    # checkerboard, shown as it is (no watermark) and stepped by hand.
    "${screens[@]}" checkerboard "$checkerboard"
    write_unicode "$settings_file" "[Settings]" "CheckBoxUseWatermarking=0" \
        "RadioButtonSlideShowAutomaticAdvance=0" "RadioButtonSlideshowManualAdvance=1" "CheckBoxShowPresenterView=0"
    write_unicode "$last_list" "$checkerboard"
    scale=2
    QT_SCALE_FACTOR=$scale launch_program orvalis-scaled.log
    program_up " at scale $scale"
    read -r play_x play_y < <("${screens[@]}" toolbar "$(shot 08-scaled-started)" "$scale") ||
        fail "no toolbar found above the image list at scale $scale"
    pass "main window at scale $scale, \"Play slideshow\" at $play_x,$play_y"

    menu_file 3  # Load Last Image List
    checkerboard_listed() {
        "${screens[@]}" checkerboard-entry "$(shot 09-scaled-list)" $((play_y + 16 * scale)) >/dev/null
    }
    wait_for "$step_timeout" "the image list does not show the checkerboard at scale $scale" checkerboard_listed
    click_at "$play_x" "$play_y"  # nothing selected: the show starts at the first entry
    pixel_exact() { "${screens[@]}" exact "$(shot 10-scaled-show)" "$checkerboard" >/dev/null; }
    wait_for "$first_picture_timeout" "monitor 2 does not show the checkerboard pixel for pixel at scale $scale" \
        pixel_exact
    pass "scale $scale: monitor 2 shows the one-pixel checkerboard of 1920 x 1080 pixel for pixel"

    menu_file 4  # Exit
    awaited_exit "File > Exit with the show up did not end the program at scale $scale"
    ((program_status == 0)) || fail "the program at scale $scale ended with exit status $program_status"
    pass "File > Exit at scale $scale: the program ended with exit status 0"
    scale=1  # what runs after this is at the normal scale again
}
