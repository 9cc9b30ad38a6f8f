# shellcheck shell=bash disable=SC2154,SC2317
# (Sourced: the variables it reads are set by scripts/e2e/common.sh and the session's entry, and wait_for
# calls the conditions defined inside its functions.)
# A club's archive in the list, a section of a session's end-to-end run (sourced by its entry,
# scripts/e2e/xorg.sh; written against scripts/e2e/common.sh and the session's driver, scripts/e2e/x11.sh):
#
#   - an image list file of 20,000 photographs (the nature photographs of Debian's mate-backgrounds
#     package hard-linked under camera names; eleven of every twelve carry an EXIF thumbnail, the
#     twelfth is rendered) given on the command line loads with the progress window;
#   - End in the thumbnail view: the last screen of the list shows its photographs' thumbnails, not
#     placeholders, while the renderings of the rest still wait;
#   - the program's resident memory stays far below what 20,000 uncompressed thumbnails take (1.5 GB);
#   - File > Exit ends the program at once, renderings waiting or not.
#
#   longlist_run   the whole section, once user_folders has run

longlist_entries=20000
longlist_memory_limit_mb=700

longlist_run() {
    local archive="$work/archive" sources="$work/archive-sources"
    mkdir -p "$archive" "$sources"
    local number=0 source
    for source in "$photo_source"/*.jpg; do
        cp "$source" "$sources/$number.jpg"
        if ((number % 12 != 11)); then
            convert "$source" -thumbnail 160x120 "$sources/$number-thumbnail.jpg"
            exiftool -q -overwrite_original "-ThumbnailImage<=$sources/$number-thumbnail.jpg" "$sources/$number.jpg"
            rm "$sources/$number-thumbnail.jpg"
        fi
        number=$((number + 1))
    done
    ((number >= 4)) || fail "only $number photographs in $photo_source"
    local list="$work/archive.txt"
    "$python" - "$sources" "$archive" "$longlist_entries" "$list" <<'PY'
import os, sys
sources, archive, count, list_file = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
photos = sorted((f for f in os.listdir(sources)), key=lambda f: int(f.split(".")[0]))
names = []
for i in range(count):
    name = os.path.join(archive, "IMG_%05d.JPG" % i)
    if not os.path.exists(name):
        os.link(os.path.join(sources, photos[i % len(photos)]), name)
    names.append(name)
with open(list_file, "wb") as out:
    out.write(b"\xff\xfe" + "".join(n + "\r\n" for n in names).encode("utf-16-le"))
PY
    chmod -R a+rX "$archive" "$sources" "$list"
    write_unicode "$settings_file" "[Settings]" "ListerViewModeThumbs=1" "CheckBoxShowPresenterView=0"
    pass "an image list file of $longlist_entries photographs ($number distinct, one in twelve without" \
        "an EXIF thumbnail)"

    local began=$SECONDS
    launch_program orvalis-longlist.log "$list"
    program_up " (long list)"
    progress_shown() { [[ -n "$(visible_windows '^Progress — Orvalis$')" ]]; }
    progress_gone() { [[ -z "$(visible_windows '^Progress — Orvalis$')" ]]; }
    wait_for "$step_timeout" "no progress window while the long list loads" progress_shown
    wait_for 300 "the long list did not load within 5 minutes" progress_gone
    pass "the list file of $longlist_entries photographs loaded with the progress window in" \
        "$((SECONDS - began)) s"

    # A click on the first thumbnail (right of the browser's panel, below the toolbar) makes it the list's
    # current entry and gives the list the keyboard; End goes to the last entry.
    click_at 780 140
    press End
    move_pointer $((monitor_w - 300)) $((monitor_h - 100))
    local shown_at=$SECONDS colourful
    colourful=$("${screens[@]}" settled "$display" "$shots/40-longlist-end.png" 1.5 60 20000) ||
        fail "the end of the long list does not show its photographs' thumbnails"
    pass "End: the last screen of the list shows its thumbnails within $((SECONDS - shown_at)) s" \
        "($colourful colourful samples)"

    local pid resident
    pid=$(pgrep -n -x orvalis) || fail "no orvalis process found"
    resident=$(awk '/^VmRSS:/ { print int($2 / 1024) }' "/proc/$pid/status")
    ((resident < longlist_memory_limit_mb)) ||
        fail "the program holds $resident MB with $longlist_entries entries (at most $longlist_memory_limit_mb)"
    pass "$longlist_entries entries, every screen's thumbnails at hand: the program holds $resident MB"

    local exit_began
    exit_began=$(date +%s%N)
    menu_file 4
    awaited_exit "File > Exit did not end the program (long list)"
    ((program_status == 0)) || fail "the program ended with exit status $program_status (long list)"
    pass "File > Exit with renderings waiting: ended in $((($(date +%s%N) - exit_began) / 1000000)) ms"
    rm -rf "$archive" "$sources"
}
