# shellcheck shell=bash disable=SC2154,SC2317
# (Sourced: the variables it reads are set by scripts/e2e/common.sh and the session's entry, and wait_for
# calls the conditions defined inside its functions.)
# The operator's evening, a section of a session's end-to-end run (sourced by its entry,
# scripts/e2e/xorg.sh; written against scripts/e2e/common.sh and the session's driver, scripts/e2e/x11.sh;
# its checks are scripts/e2e/evening.py's), under a window manager, during an automatic show:
#
#   - the mouse pointer left resting over monitor 2 is hidden there after a few seconds;
#   - "B" in the audience window blanks monitor 2, and the advance waits meanwhile: after two intervals of
#     black, "B" again brings back the picture the audience left;
#   - the operator works in the file browser's path field (read only: it shows the folder) while monitor 2
#     goes away and comes back: the keyboard stays in the field, and a typed "b" does not blank monitor 2.
#
#   evening_run   the whole section, once make_pictures and user_folders have run, under a window
#                 manager; audience_off and audience_on switch monitor 2 (as for hotplug_run).

evening=("$python" "$e2e/evening.py")

evening_run() {
    local started had preview
    started=$(date +%s)
    local interval=3  # seconds
    automatic_show evening "$interval" 40-evening
    evening_showing() { [[ "$("${screens[@]}" shown "$(shot 41-evening-show)")" == IMG_* ]]; }

    # The pointer parked over the audience: hidden once it rests.
    move_pointer $((monitor_w + monitor_w / 2)) $((monitor_h / 2))
    pointer_hidden() { [[ "$("${evening[@]}" pointer "$display")" == hidden ]]; }
    wait_for "$step_timeout" "the pointer resting over monitor 2 stays shown" pointer_hidden
    move_pointer $((monitor_w / 2)) $((monitor_h / 2))
    pointer_shown() { [[ "$("${evening[@]}" pointer "$display")" == shown ]]; }
    wait_for "$step_timeout" "the pointer is not shown over monitor 1" pointer_shown
    pass "the pointer resting over monitor 2 is hidden there, and shown again over monitor 1"

    # "B" blanks the audience monitor, and the advance waits for the picture to come back.
    preview=$(visible_windows "$audience_title")
    [[ -n "$preview" ]] || fail "no audience window (evening)"
    xdotool windowactivate --sync "$preview" 2>/dev/null || true
    had=$("${screens[@]}" shown "$(shot 42-before-blank)")
    press b
    monitor_black() { "${screens[@]}" black "$(shot 43-blank)" >/dev/null; }
    wait_for "$step_timeout" "\"B\" did not blank monitor 2" monitor_black
    sleep $((2 * interval + 1))
    "${screens[@]}" black "$(shot 44-still-blank)" >/dev/null || fail "monitor 2 came back by itself while blank"
    press b
    picture_back() { [[ "$("${screens[@]}" shown "$(shot 45-unblank)")" == "$had" ]]; }
    wait_for "$step_timeout" "\"B\" again did not bring back $had, the picture the audience left" picture_back
    pass "\"B\": monitor 2 black for $((2 * interval + 1)) s, over two intervals, and back with $had, the" \
        "picture it left: the advance waited"

    # Typing in the main window while the audience monitor goes and comes back.
    local field=()
    field_found() {
        local place
        place=$("${evening[@]}" pathfield "$(shot 46-field)") || return 1
        read -r -a field <<<"$place"
    }
    wait_for "$step_timeout" "no path field found in the file browser" field_found
    click_at "${field[0]}" "${field[1]}"
    field_focused() { "${evening[@]}" focused "$(shot 46-field-focused)" "${field[@]:2}" >/dev/null; }
    wait_for "$step_timeout" "a click in the path field did not give it the keyboard" field_focused
    audience_off
    wait_for "$step_timeout" "the audience window is still mapped after its monitor went away" preview_gone
    audience_on
    wait_for "$step_timeout" "the show did not come back to monitor 2" preview_shown
    wait_for "$first_picture_timeout" "monitor 2 shows no picture after it came back" evening_showing
    field_focused() { "${evening[@]}" focused "$(shot 47-field-before-b)" "${field[@]:2}" >/dev/null; }
    wait_for "$step_timeout" "the path field lost the keyboard when monitor 2 came back" field_focused
    press b
    sleep 1
    if "${screens[@]}" black "$(shot 48-after-b)" >/dev/null 2>&1; then
        fail "a \"b\" typed in the main window blanked monitor 2"
    fi
    "${evening[@]}" focused "$shots/48-after-b.png" "${field[@]:2}" >/dev/null ||
        fail "the path field does not have the keyboard after the \"b\""
    pass "monitor 2 away and back while the operator works in the path field: the keyboard stayed there," \
        "a typed \"b\" left monitor 2 showing its picture"

    menu_file 4  # Exit
    awaited_exit "File > Exit did not end the program (evening)"
    ((program_status == 0)) || fail "the program ended with a failure (evening)"
    pass "the operator's evening: checked in $(($(date +%s) - started)) s"
}
