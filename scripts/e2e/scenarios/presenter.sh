# shellcheck shell=bash disable=SC2154,SC2317
# (Sourced: the variables it reads are set by scripts/e2e/common.sh and the session's entry, and wait_for
# calls the conditions defined inside its functions.)
# The presenter view, with real photographs, a section of a session's end-to-end run (sourced by its
# entry, scripts/e2e/xorg.sh; written against scripts/e2e/common.sh and the session's driver,
# scripts/e2e/x11.sh; its screenshot checks are scripts/e2e/presenter.py's):
#
#   - five of the club's photographs (photographs_home) in the last image list, the browser pointed at
#     their folder, the program run as on a freshly installed machine (scripts/e2e/clean-root.sh);
#   - "Play slideshow" opens the presenter window on monitor 1 beside the show on monitor 2, with the
#     keyboard focus and the title "Orvalis — presenter"; Page Down sent to it steps monitor 2 to the
#     next photograph, "B" blanks monitor 2 and "B" again brings the photograph back, Escape ends the
#     show; the presenter window, cut out of monitor 1 at its own size, goes into the README
#     (readme-presenter-view.png).
#
#   presenter_run   the whole section, once user_folders has run

presenter=("$python" "$e2e/presenter.py")

presenter_run() {
    local -a photos program_runner
    local -x HOME
    local play_x play_y presenter_window name photo

    # Five photographs of Debian's mate-backgrounds (GPL-2+, see tests/data/README.md), named like a
    # camera's files. Automatic advance every minute, so that the countdown shows and the steps are the
    # remote's: "Play slideshow" with the pointer on monitor 1 puts the show on monitor 2 and the presenter
    # window on monitor 1, which takes the keyboard as a presentation remote needs it.
    photographs_home
    HOME=$photo_home
    # shellcheck disable=SC2034  # launch_program, called from here, reads it
    program_runner=("${clean_root[@]}")
    for name in Storm Garden Dune Blinds Aqua; do
        photo=$(club_photo "$name") || fail "no photograph $name in $club_folder"
        photos+=("$photo")
    done
    write_unicode "$settings_file" "[Settings]" "CheckBoxUseWatermarking=0" "SlideshowInterval=60" \
        "RadioButtonSlideShowAutomaticAdvance=1" "RadioButtonSlideshowManualAdvance=0" "CheckBoxShowPresenterView=1"
    write_unicode "$last_list" "${photos[@]}"
    mkdir -p "$XDG_CONFIG_HOME/Quenmark"
    printf '[LastFolder]\n1421B16D-DC34-4B24-B32D-6F95D0F0BF56=%s\n' "$club_folder" \
        >"$XDG_CONFIG_HOME/Quenmark/Brackwell.ini"
    start_program presenter
    read -r play_x play_y < <("${screens[@]}" toolbar "$(shot 18-presenter-started)") ||
        fail "no toolbar found above the image list"
    menu_file 3  # Load Last Image List
    presenter_shown() {
        presenter_window=$(visible_windows "$presenter_title" | head -n 1)
        [[ -n "$presenter_window" ]]
    }
    # "Play slideshow" does nothing until the list is loaded: pressed again until the show starts.
    play_until_presenter() {
        presenter_shown || {
            click_at "$play_x" "$play_y"
            sleep 1
            presenter_shown
        }
    }
    wait_for "$step_timeout" "\"Play slideshow\" did not open the presenter window" play_until_presenter
    window_geometry "$presenter_window"
    ((X >= 0 && X + WIDTH <= monitor_w && Y >= 0 && Y + HEIGHT <= monitor_h)) ||
        fail "the presenter window is at $X,$Y, $WIDTH x $HEIGHT, not on monitor 1"
    wait_for "$step_timeout" "the presenter window does not have the keyboard focus" \
        window_focused "$presenter_window"
    local title
    title=$(window_title "$presenter_window")
    [[ "$title" == "Orvalis — presenter" ]] || fail "the desktop shows the presenter window as \"$title\""
    showing_photo() { "${presenter[@]}" audience "$(shot "$1")" "$2" >/dev/null; }
    wait_for "$first_picture_timeout" "monitor 2 does not show the first photograph" \
        showing_photo 19-presenter-show "${photos[0]}"
    pass "presenter window \"$title\" on monitor 1 ($WIDTH x $HEIGHT at $X,$Y) with the keyboard focus," \
        "the first photograph on monitor 2"

    # Page Down, as a remote sends it, into the presenter window: monitor 2 steps to the next photograph.
    press Next
    wait_for "$step_timeout" "Page Down in the presenter window did not step monitor 2" \
        showing_photo 20-presenter-page-down "${photos[1]}"
    pass "Page Down in the presenter window: monitor 2 shows the next photograph"
    # The README's picture: the presenter window as the operator sees it, at its own size.
    sleep 1  # the presenter's deferred update and the countdown's next tick
    window_geometry "$presenter_window"
    "${presenter[@]}" readme "$(shot 21-presenter-view)" "$X" "$Y" "$WIDTH" "$HEIGHT" \
        "$shots/readme-presenter-view.png" >/dev/null
    press b
    audience_black() { "${screens[@]}" black "$(shot 22-presenter-blank)" >/dev/null; }
    wait_for "$step_timeout" "\"B\" in the presenter window did not blank monitor 2" audience_black
    press b
    wait_for "$step_timeout" "\"B\" again did not bring the photograph back on monitor 2" \
        showing_photo 23-presenter-unblank "${photos[1]}"
    pass "\"B\": monitor 2 black, and the photograph back with \"B\" again"
    press Escape
    show_ended() {
        [[ -z "$(visible_windows "$presenter_title")" && -z "$(visible_windows "$audience_title")" ]]
    }
    wait_for "$step_timeout" "Escape in the presenter window did not end the show" show_ended
    pass "Escape in the presenter window: the show and the presenter window are gone"

    menu_file 4  # Exit
    awaited_exit "File > Exit did not end the program after the presenter view"
    ((program_status == 0)) || fail "the program ended with a failure after the presenter view"
}
