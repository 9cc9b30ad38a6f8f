# shellcheck shell=bash disable=SC2154,SC2317
# (Sourced: the variables it reads are set by scripts/e2e/common.sh and the session's entry, and wait_for
# calls the conditions defined inside its functions.)
# The audience monitor unplugged and plugged in again, a section of a session's end-to-end run (sourced
# by its entry, scripts/e2e/xorg.sh; written against scripts/e2e/common.sh and the session's driver,
# scripts/e2e/x11.sh; its screenshot checks are scripts/e2e/hotplug.py's):
#
#   - with a window manager managing the windows, monitor 2 switched off during an automatic show (the
#     settings remember it by name): the audience window goes, monitor 1 keeps the main window uncovered
#     and the show pauses; switched on again, it shows the picture it had and the show goes on; a smaller
#     resolution on it is followed by the window and the picture.
#
#   automatic_show NAME INTERVAL SHOT
#                 the show this section and the operator's evening start from (below)
#   hotplug_run   the whole section, once make_pictures and user_folders have run, under a window
#                 manager. The session names them, window_manager and audience_output (monitor 2's
#                 name, as the settings remember it), and switches monitor 2: audience_off (returns once
#                 the desktop has one monitor left), audience_on (1920 x 1080 right of monitor 1 again)
#                 and audience_resolution WIDTH HEIGHT.

hotplug=("$python" "$e2e/hotplug.py")

# automatic_show NAME INTERVAL SHOT: the program started afresh (start_program NAME) with an automatic
# show of IMG_5678.png and IMG_9012.jp2 every INTERVAL seconds on monitor 2, remembered by its name
# ($audience_output): the last image list loaded and "Play slideshow" pressed; returns once monitor 2
# shows IMG_5678.png. Its screenshots are SHOT-started, SHOT-list and SHOT-show.
automatic_show() {
    local name=$1 interval=$2 prefix=$3 play_x play_y
    write_unicode "$settings_file" "[Settings]" "CheckBoxUseWatermarking=0" "SlideshowInterval=$interval" \
        "RadioButtonSlideShowAutomaticAdvance=1" "RadioButtonSlideshowManualAdvance=0" "CheckBoxShowPresenterView=0" \
        "[Display]" "Use=2" "Monitor=$audience_output;;;"
    write_unicode "$last_list" "$png" "$jp2"
    start_program "$name"
    read -r play_x play_y < <("${screens[@]}" toolbar "$(shot "$prefix-started")") ||
        fail "no toolbar found above the image list ($name)"
    menu_file 3  # Load Last Image List
    both_listed() {
        "${screens[@]}" entry "$(shot "$prefix-list")" IMG_5678.png >/dev/null &&
            "${screens[@]}" entry "$shots/$prefix-list.png" IMG_9012.jp2 >/dev/null
    }
    wait_for "$step_timeout" "the image list does not show IMG_5678.png and IMG_9012.jp2" both_listed
    click_at "$play_x" "$play_y"
    first_shown() { [[ "$("${screens[@]}" shown "$(shot "$prefix-show")")" == IMG_5678.png ]]; }
    wait_for "$first_picture_timeout" "the show did not start on monitor 2 ($name)" first_shown
}

hotplug_run() {
    local started had status_showing status_paused check result preview
    started=$(date +%s)
    local interval=4  # seconds; the show is unplugged well before its first step

    # During an automatic show monitor 2 is switched off (Qt reports the monitor removed): the audience
    # window must not land on monitor 1, which keeps showing the main window, and the advance pauses.
    # Switched on again, monitor 2 shows the picture it had and the show goes on. Then its resolution is
    # switched: the audience window follows it. The settings remember the monitor by its name, the status
    # bar says what happens (its screenshots are kept).
    automatic_show hotplug "$interval" 14-hotplug
    pass "under $window_manager: the show runs on $audience_output, remembered by name"

    # The picture on monitor 2 just before it goes.
    had=$("${screens[@]}" shown "$(shot 15-before-unplug)")
    [[ "$had" == IMG_* ]] || fail "monitor 2 shows $had just before it is switched off"
    status_showing=$("${hotplug[@]}" status "$shots/15-before-unplug.png")
    audience_off
    wait_for "$step_timeout" "the audience window is still mapped after its monitor went away" preview_gone
    # Longer than the interval: a show that went on advancing would have stepped meanwhile.
    for check in 1 2 3; do
        sleep $((interval / 2))
        "${hotplug[@]}" operator "$(shot "16-unplugged-$check")" >/dev/null ||
            fail "monitor 1 does not show the main window while monitor 2 is switched off"
    done
    status_paused=$("${hotplug[@]}" status "$shots/16-unplugged-3.png")
    ((status_paused != status_showing)) || fail "the status bar says the same as during the show ($status_paused)"
    pass "$audience_output switched off: the audience window went, monitor 1 shows the main window uncovered for" \
        "$((3 * (interval / 2))) s, the status bar changed"

    audience_on
    result=$("${hotplug[@]}" returned "$display" "$program_pid" "$step_timeout" $((interval + 10)) \
        "$had" "$([[ "$had" == IMG_5678.png ]] && echo IMG_9012.jp2 || echo IMG_5678.png)") ||
        fail "the show did not come back to $audience_output as it was"
    preview=$(visible_windows "$audience_title")
    window_geometry "$preview"
    [[ "$X,$Y,$WIDTH,$HEIGHT" == "$monitor_w,0,$monitor_w,$monitor_h" ]] ||
        fail "the audience window came back at $X,$Y, $WIDTH x $HEIGHT instead of covering $audience_output"
    pass "$audience_output on again: $result; the window covers it"

    # A smaller resolution on monitor 2: the window covers it exactly and the picture is fitted to it.
    audience_resolution 1280 720
    preview_follows() {
        window_geometry "$preview"
        [[ "$X,$Y,$WIDTH,$HEIGHT" == "$monitor_w,0,1280,720" ]] &&
            [[ "$("${hotplug[@]}" shown "$(shot 17-resolution)" 1280 720)" == IMG_* ]]
    }
    wait_for "$step_timeout" "the audience window does not cover $audience_output at 1280 x 720 with a fitted picture" \
        preview_follows
    audience_resolution "$monitor_w" "$monitor_h"
    pass "$audience_output at 1280 x 720: the window covers it and the picture is fitted to it"

    menu_file 4  # Exit
    awaited_exit "File > Exit did not end the program under $window_manager"
    ((program_status == 0)) || fail "the program ended with a failure under $window_manager"
    pass "monitor unplugged and plugged in again: checked in $(($(date +%s) - started)) s"
}
