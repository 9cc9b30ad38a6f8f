# shellcheck shell=bash disable=SC2154,SC2317
# (Sourced: the variables it reads are set by scripts/e2e/common.sh and the session's entry, and wait_for
# calls the conditions defined inside its functions.)
# Damaged files in the list, a section of a session's end-to-end run (sourced by its entry,
# scripts/e2e/xorg.sh; written against scripts/e2e/common.sh and the session's driver,
# scripts/e2e/x11.sh):
#
#   - damaged files in the list (crashing FreeImage, stalling it, declaring gigapixels): "not supported"
#     thumbnails, black frames on monitor 2, the show goes on; an entry deleted in the list view leaves
#     every thumbnail whole in the thumbnail view; File > Exit with a decoder stalled on a file ends the
#     program at once, its decoder processes with it;
#   - a show step onto a file that stalls the decoder, with four progressive JPEGs of thousands of scans
#     ("scan bombs") in the list: the main window's menu still opens while the step waits, and File >
#     Exit ends the program in under a second.
#
#   damaged_run   the whole section, once make_pictures and user_folders have run

damaged_run() {
    # Files that crash the generic decoder (FreeImage) or stall it, and a JPEG that declares more pixels
    # than any picture may have, between two good pictures: each gets the red "not supported" thumbnail,
    # shows black when the show comes to it, and the show goes on. The crashing files are those of the
    # tests (tests/data/hostile); one of them is named like a camera's JPEG.
    local hostile_data="$root/tests/data/hostile"
    local crash_psd="$pictures/IMG_2001.psd"
    local crash_pcx="$pictures/IMG_2002.pcx"
    local crash_jpg="$pictures/IMG_2003.JPG"
    local bomb_jpg="$pictures/IMG_2004.jpg"
    local stall_ras="$pictures/IMG_2005.ras"
    cp "$hostile_data/photoshop-crashes.psd" "$crash_psd"
    cp "$hostile_data/sun-raster-named-pcx-crashes.pcx" "$crash_pcx"
    cp "$hostile_data/sun-raster-crashes.ras" "$crash_jpg"
    "${screens[@]}" bomb "$bomb_jpg" 60000 60000
    cp "$hostile_data/sun-raster-runs-for-a-minute.ras" "$stall_ras"
    write_unicode "$settings_file" "[Settings]" "CheckBoxUseWatermarking=1" \
        "RadioButtonSlideShowAutomaticAdvance=0" "RadioButtonSlideshowManualAdvance=1" "CheckBoxShowPresenterView=0"
    write_unicode "$last_list" "$jpeg" "$crash_psd" "$crash_pcx" "$crash_jpg" "$bomb_jpg" "$png"

    damaged_show
    damaged_exit_while_stalled
    damaged_exit_during_a_stalled_step
}

# The list with the crashing files and the bomb: their thumbnails, the show over them, the list view.
damaged_show() {
    local play_x play_y report_x report_y thumbs_x thumbs_y row_x row_y

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
    click_at "$play_x" "$play_y"
    showing() { [[ "$("${screens[@]}" shown "$(shot 12-hostile-show)")" == "$1" ]]; }
    wait_for "$first_picture_timeout" "the show of the list with damaged files did not start" showing IMG_1234.jpg
    click_at $((monitor_w + monitor_w / 2)) $((monitor_h / 2))
    wait_for "$step_timeout" "the step to a damaged file did not show black" showing black
    for _ in 1 2 3 4; do
        click
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
    click_at "$report_x" "$report_y"
    six_rows() { [[ "$("${screens[@]}" rows "$(shot 13-list-view)")" == 6 ]]; }
    wait_for "$step_timeout" "the list view does not show the six entries" six_rows
    read -r row_x row_y < <("${screens[@]}" row "$shots/13-list-view.png" 0) || fail "no first row in the list view"
    click_at "$row_x" "$row_y"
    sleep 0.3
    press Delete
    five_rows() { [[ "$("${screens[@]}" rows "$(shot 13-list-view-deleted)")" == 5 ]]; }
    wait_for "$step_timeout" "Delete in the list view did not take IMG_1234.jpg out of the list" five_rows
    click_at "$thumbs_x" "$thumbs_y"
    thumbnails_whole() {
        "${screens[@]}" whole "$(shot 13-thumbnails-after-delete)" IMG_5678.png >"$work/whole.out" &&
            [[ "$("${screens[@]}" notsupported "$shots/13-thumbnails-after-delete.png")" == 4 ]]
    }
    wait_for "$step_timeout" "after Delete in the list view the thumbnail view is not whole" thumbnails_whole
    pass "Delete in the list view, then the thumbnail view: $(cat "$work/whole.out"), four \"not supported\""

    menu_file 4  # Exit
    awaited_exit "File > Exit did not end the program after the damaged files"
    ((program_status == 0)) || fail "the program ended with a failure after the damaged files"
}

# A file that keeps the decoder busy for a minute: File > Exit while its thumbnail is being made ends
# the program at once and takes the decoder processes with it.
damaged_exit_while_stalled() {
    local running_decoders exit_asked exit_ms decoder

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
    awaited_exit "File > Exit with a stalled decoder did not end the program"
    exit_ms=$((($(date +%s%N) - exit_asked) / 1000000))
    ((program_status == 0)) || fail "the program ended with a failure with a stalled decoder"
    ((exit_ms < 2000)) || fail "File > Exit with a stalled decoder took $exit_ms ms"
    for decoder in $running_decoders; do
        ! kill -0 "$decoder" 2>/dev/null || fail "decoder process $decoder outlived the program"
    done
    pass "File > Exit with a decoder stalled on a file: the program ended in $exit_ms ms, its decoders with it"
}

# The show steps onto the stalling file: the step waits for the decoder while the GUI goes on, and File >
# Exit meanwhile ends the program at once. Four scan bombs are rendering as thumbnails at the same time.
damaged_exit_during_a_stalled_step() {
    local bombs=() i play_x play_y exit_asked exit_ms
    for i in 1 2 3 4; do
        bombs+=("$pictures/IMG_230$i.jpg")
        "${screens[@]}" scanbomb "${bombs[-1]}" 4096 4096 20000
    done
    write_unicode "$last_list" "$png" "$stall_ras" "${bombs[@]}"
    start_program stalled-step
    read -r play_x play_y < <("${screens[@]}" toolbar "$(shot 15-stalled-step-started)") ||
        fail "no toolbar found above the image list"
    menu_file 3  # Load Last Image List
    png_listed() { "${screens[@]}" entry "$(shot 15-stalled-step-list)" IMG_5678.png >/dev/null; }
    wait_for "$step_timeout" "the image list does not show IMG_5678.png" png_listed
    click_at "$play_x" "$play_y"  # nothing selected: the show starts at the PNG
    showing() { [[ "$("${screens[@]}" shown "$(shot 15-stalled-step-show)")" == "$1" ]]; }
    wait_for "$first_picture_timeout" "the show of the PNG did not start" showing IMG_5678.png
    click_at $((monitor_w + monitor_w / 2)) $((monitor_h / 2))  # a step onto the stalling file
    sleep 1  # well inside the decode by now, far from the show's deadline
    menu_file 4  # Exit: the menu opens while the step waits
    exit_asked=$(date +%s%N)
    awaited_exit "File > Exit while a show step waited for a stalled decoder did not end the program"
    exit_ms=$((($(date +%s%N) - exit_asked) / 1000000))
    ((program_status == 0)) || fail "the program ended with a failure during a stalled show step"
    ((exit_ms < 1000)) || fail "File > Exit during a stalled show step took $exit_ms ms"
    pass "a show step onto a stalling file, scan bombs in the list: the menu answered, File > Exit ended" \
        "the program in $exit_ms ms"
}

