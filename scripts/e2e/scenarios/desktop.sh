# shellcheck shell=bash disable=SC2154,SC2317
# (Sourced: the variables it reads are set by scripts/e2e/common.sh and the session's entry, and wait_for
# calls the conditions defined inside its functions.)
# The show on a desktop whose compositor places the windows itself, the section of the end-to-end runs on
# Wayland compositors (sourced by their entries, scripts/e2e/gnome.sh and sway.sh; written against
# scripts/e2e/common.sh and the driver of scripts/e2e/wayland.sh; its screenshot checks are
# scripts/e2e/desktop.py's):
#
#   - three pictures of 1920 x 1080 on the command line, red, green and blue; manual advance, no
#     watermark, the presenter view on;
#   - Options > Settings..., "Identify": the middle of each monitor shows its label, a big number, in a
#     window "Monitor 1" on monitor 1 and "Monitor 2" on monitor 2; Escape closes the dialog;
#   - "Play slideshow": red fills monitor 2, monitor 1 keeps the main window uncovered but for the
#     presenter window, which mirrors the picture small; the presenter window is on monitor 1 and has the
#     keyboard: Page Down steps monitor 2 to green;
#   - where the session can take monitor 2 away (GNOME): while it is away monitor 1 stays uncovered; once
#     it is back the show is back on it;
#   - where no window can be placed (sway under XWayland): instead of all of the above after "Play
#     slideshow", monitor 1 stays uncovered and no audience window shows once the program has noticed;
#   - Escape ends the show, File > Exit ends the program with exit status 0, and the program wrote nothing
#     on its standard error all along.
#
#   desktop_run   the whole section. The session sets desktop_places (empty where nothing places a
#                 window on a monitor) and desktop_unplugs (set where it defines audience_off and
#                 audience_on, which take monitor 2 away and put it back)

desktop_run() {
    local started play_x play_y
    started=$(date +%s)
    pictures="$work/pictures"
    mkdir -p "$pictures"
    "${desktop[@]}" solid "$pictures"
    write_unicode "$settings_file" "[Settings]" "CheckBoxUseWatermarking=0" \
        "RadioButtonSlideShowAutomaticAdvance=0" "RadioButtonSlideshowManualAdvance=1" \
        "CheckBoxShowPresenterView=1"
    chown -R "$session_user:" "$pictures" "$user_folder"
    launch_program orvalis.log "$pictures/red.png" "$pictures/green.png" "$pictures/blue.png"
    program_up
    window_geometry "$main_window"
    pass "main window at $X,$Y, $WIDTH x $HEIGHT, splash gone"

    [[ -z "$desktop_places" ]] || desktop_identify

    # "Play slideshow", found from the toolbar's icons, with the pointer on monitor 1; monitor 1 as it was
    # just before is what the show must leave uncovered.
    read -r play_x play_y < <("${screens[@]}" toolbar "$(shot 04-before-show)") ||
        fail "no toolbar found above the image list"
    click_at "$play_x" "$play_y"
    if [[ -n "$desktop_places" ]]; then
        desktop_show
    else
        desktop_unplaced
    fi
    [[ -z "$desktop_unplugs" ]] || desktop_unplugged

    press Escape
    wait_check "$step_timeout" "Escape did not end the show" preview_gone || :
    menu_file 4  # Exit
    awaited_exit "File > Exit did not end the program"
    if ((program_status == 0)); then
        pass "File > Exit: the program ended with exit status 0"
    else
        check_fail "File > Exit: the program ended with exit status $program_status"
    fi
    if [[ -s "$program_stderr" ]]; then
        check_fail "the program wrote on its standard error:" $'\n'"$(uniq -c "$program_stderr" | head -n 20)"
    else
        pass "nothing on the program's standard error all along"
    fi
    pass "the show on the desktop: checked in $(($(date +%s) - started)) s"
}

labels_gone() { [[ -z "$(visible_windows '^Monitor [0-9]')" ]]; }

# filled NAME PICTURE: monitor 2 in a screenshot NAME is filled with PICTURE's colour.
filled() { "${desktop[@]}" fills "$(shot "$1")" "$2" >"$work/filled.out"; }

# Options > Settings..., "Identify", found in a screenshot of the dialog; Escape closes it.
desktop_identify() {
    local dialog button_x button_y result="" places=""
    menu_pick 1 1  # Options > Settings...
    dialog_shown() {
        dialog=$(visible_windows '^Settings( |$)' | head -n 1)
        [[ -n "$dialog" ]]
    }
    wait_for "$step_timeout" "Options > Settings... did not open the dialog" dialog_shown
    sleep 0.5  # the dialog's first frame
    window_geometry "$dialog"
    read -r button_x button_y < <("${desktop[@]}" button "$(shot 01-settings)" "$X" "$Y" "$WIDTH" \
        "$HEIGHT") || fail "no \"Identify\" button found in the Settings dialog at $X,$Y, $WIDTH x $HEIGHT"
    cp "$shots/01-settings.png" "$work/before-labels.png"
    click_at "$button_x" "$button_y"
    # The labels go after 3 s: pressed again whenever none shows, a slow screenshot cannot miss them. What
    # was wrong the last time they showed is what a failure says.
    local trouble=""
    labels_shown() {
        local first second placed=0
        first=$(visible_windows '^Monitor 1( |$)')
        second=$(visible_windows '^Monitor 2( |$)')
        if [[ -z "$first$second" ]]; then
            echo "$trouble" >&2
            click_at "$button_x" "$button_y"
            return 1
        fi
        [[ -n "$first" && -n "$second" ]] || return 1
        places=$(label_places "$first" "$second") || placed=1
        result=$("${desktop[@]}" labels "$(shot 02-identify)" "$work/before-labels.png" 2>&1) &&
            ((placed == 0)) && return 0
        trouble="${result#FAIL: }; $places"
        result=""
        echo "$trouble" >&2
        return 1
    }
    if wait_check "$step_timeout" "\"Identify\" did not label each monitor in its middle" labels_shown; then
        pass "\"Identify\": $result; $places"
    fi
    # Escape once the labels have gone: a compositor may give a new window the keyboard, whatever it asks.
    wait_for "$step_timeout" "the monitors' labels did not go" labels_gone
    press Escape
    dialog_gone() { [[ -z "$(visible_windows '^Settings( |$)')" ]]; }
    wait_check "$step_timeout" "Escape did not close the Settings dialog" dialog_gone || :
}

# label_places FIRST SECOND: the windows "Monitor 1" and "Monitor 2" each on their own monitor; says where
# they are, and returns 1 when one is not on its monitor or has gone already.
label_places() {
    local list number=1 window place on status=0 separator=""
    list=$(compositor_windows)
    for window in "$1" "$2"; do
        place=$("${windows[@]}" geometry "$window" <<<"$list" 2>/dev/null) || {
            echo "\"Monitor $number\" gone"
            return 1
        }
        eval "$place"
        on=$(((X + WIDTH / 2) / monitor_w + 1))
        echo -n "$separator\"Monitor $number\" on monitor $on ($X,$Y, $WIDTH x $HEIGHT)"
        separator=", "
        ((on == number)) || status=1
        number=$((number + 1))
    done
    return "$status"
}

# The show on monitor 2, the presenter window on monitor 1 with the keyboard.
desktop_show() {
    local presenter=""
    if wait_check "$first_picture_timeout" "the first picture does not fill monitor 2" \
        filled 05-show red.png; then
        pass "\"Play slideshow\": $(cat "$work/filled.out")"
    fi
    operator_uncovered 05-show "while the show runs"
    presenter_shown() {
        presenter=$(visible_windows "$presenter_title" | head -n 1)
        [[ -n "$presenter" ]]
    }
    wait_check "$step_timeout" "\"Play slideshow\" did not open the presenter window" presenter_shown ||
        return 0
    window_geometry "$presenter"
    ((X >= 0 && X + WIDTH <= monitor_w && Y >= 0 && Y + HEIGHT <= monitor_h)) ||
        check_fail "the presenter window is at $X,$Y, $WIDTH x $HEIGHT, not on monitor 1"
    if wait_check "$step_timeout" "the presenter window does not have the keyboard" \
        window_focused "$presenter"; then
        pass "presenter window on monitor 1 ($WIDTH x $HEIGHT at $X,$Y) with the keyboard"
    fi
    press Next
    if wait_check "$step_timeout" "Page Down in the presenter window did not step monitor 2 to green.png" \
        filled 06-page-down green.png; then
        pass "Page Down: $(cat "$work/filled.out")"
    fi
}

# operator_uncovered NAME WHEN: monitor 1, in the screenshot NAME just taken, shows what it showed before
# the show but where the presenter window lies.
operator_uncovered() {
    local rect=()
    if window_place "$presenter_title"; then
        rect=("$X" "$Y" "$WIDTH" "$HEIGHT")
    fi
    if "${desktop[@]}" operator "$shots/$1.png" "$shots/04-before-show.png" "${rect[@]}" \
        >"$work/operator.out" 2>&1; then
        pass "$2: $(cat "$work/operator.out")"
    else
        check_fail "$2: $(sed 's/^FAIL: //' "$work/operator.out") (screenshot $1.png)"
    fi
}

# Where nothing places a window: once the program has noticed (its status bar has changed since "Play
# slideshow"), no audience window shows, and monitor 1 stays uncovered.
desktop_unplaced() {
    local before
    before=$("$python" "$e2e/hotplug.py" status "$shots/04-before-show.png")
    show_noticed() { [[ "$("$python" "$e2e/hotplug.py" status "$(shot 05-show)")" != "$before" ]]; }
    wait_for "$step_timeout" "the status bar did not change after \"Play slideshow\"" show_noticed
    if wait_check "$step_timeout" "an audience window is on the desktop" no_audience_window; then
        pass "no audience window on the desktop"
    fi
    stays_uncovered 06-nowhere "the show has nowhere to go"
    no_audience_window 2>"$work/audience.err" ||
        check_fail "an audience window showed again on the desktop: $(cat "$work/audience.err")"
}

# No audience window visible; says where it is when there is one.
no_audience_window() {
    window_place "$audience_title" || return 0
    echo "the audience window is at $X,$Y, $WIDTH x $HEIGHT" >&2
    return 1
}

# window_place PATTERN: sets X, Y, WIDTH and HEIGHT to where the first visible window whose title matches
# PATTERN is, from one window list (the program may close it meanwhile); returns 1 when there is none.
window_place() {
    local list window
    list=$(compositor_windows)
    window=$("${windows[@]}" find "$1" <<<"$list" | head -n 1)
    [[ -n "$window" ]] || return 1
    eval "$("${windows[@]}" geometry "$window" <<<"$list")"
}

# Monitor 2 taken away during the show and put back.
desktop_unplugged() {
    audience_off
    stays_uncovered 07-unplugged "monitor 2 away"
    audience_on
    if wait_check "$step_timeout" "the show did not come back on monitor 2" \
        filled 08-plugged-in green.png; then
        pass "monitor 2 back: $(cat "$work/filled.out")"
    fi
    operator_uncovered 08-plugged-in "monitor 2 back"
}

# stays_uncovered NAME WHEN: monitor 1 uncovered in three screenshots a second apart, NAME-1.png to
# NAME-3.png.
stays_uncovered() {
    local check
    for check in 1 2 3; do
        sleep 1
        shot "$1-$check" >/dev/null
        operator_uncovered "$1-$check" "$2 ($check)"
    done
}
