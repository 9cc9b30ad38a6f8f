# shellcheck shell=bash disable=SC2034
# (Sourced: the variables it sets are read by the scripts that source it.)
# Sourced by scripts/e2e.sh and by the entry of each kind of session of the end-to-end run
# (scripts/e2e/xorg.sh, gnome.sh, sway.sh): what every session shares whatever its desktop. Whatever talks
# to the desktop comes from the session's driver (scripts/e2e/x11.sh on X, scripts/e2e/wayland.sh on a
# Wayland compositor): visible_windows, window_geometry, window_focused, shot, grab_screen, move_pointer,
# click_at, click, press and menu_file. The session defines stop_session, which ends its display server,
# and sets display once that server is up.
#
#   pass TEXT...             prints the line of a check that passed
#   fail TEXT...             ends the run with a FAIL line, a screenshot of the session once it is up
#   check_fail TEXT...       a check of the program failed: as fail, but with E2E_KEEP_GOING=1 (when
#                            exploring; not for CI) the run goes on after the FAIL line and its screenshot,
#                            and ends with status 1 once the session is over
#   session_begin BUILD_DIR SHOTS_DIR
#                            the program in BUILD_DIR, the screenshots and logs to SHOTS_DIR, a fresh work
#                            folder; whatever happens, the program and the session end with the run and
#                            the logs stay with the screenshots
#   wait_for SECONDS WHAT COMMAND...
#                            runs COMMAND until it succeeds; fails the run with WHAT once SECONDS have
#                            passed, or at once when the program has ended
#   wait_check SECONDS WHAT COMMAND...
#                            as wait_for for a check of the program: check_fail instead of fail, and then
#                            returns 1 (the run goes on only with E2E_KEEP_GOING=1)
#   monitor SHOT INDEX OUT   monitor INDEX (0 or 1) of a screenshot as a picture of its own
#   user_folders             fresh per-user folders for the program (sets settings_file and last_list)
#   write_unicode FILE LINE...
#                            a text file as the program writes them (its settings, its image lists)
#   make_pictures            the show's pictures in the work folder (sets pictures, jpeg, png, missing,
#                            jp2)
#   photographs_home         once in a run: a home of its own under /home (photo_home) whose
#                            ~/Pictures/Club evening (club_folder) holds the nature photographs of
#                            mate-backgrounds named like a camera's files, IMG_2101_Aqua.jpg and on, in
#                            name order (club_photos), but for the last, IMG_2112_YellowFlower.jpg
#                            (held_photo), which lies in ~/Pictures/Garden party; sets clean_root, the
#                            program_runner of a section whose screenshots go into the README
#   club_photo NAME          the path of the club's photograph NAME (LadyBird, ...)
#   launch_program LOG [ARG...]
#                            starts the program (through program_runner, which the session may set), its
#                            output in the work folder's LOG, its standard error in LOG-stderr.log (sets
#                            program_stderr)
#   program_up [WHAT]        waits for the main window and for the start-up splash to go
#   start_program NAME       both, the output in orvalis-NAME.log
#   awaited_exit WHAT        once the program was told to end: waits until it has, sets program_status
#   program_ended, main_window_shown (sets main_window), splash_gone, preview_shown, preview_gone
#                            what wait_for waits for
#   main_title, audience_title, presenter_title
#                            the main window, the audience's and the presenter's, for visible_windows

e2e=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$e2e/../.." && pwd)
# Debian's Python with python3-pil; a python3 earlier on the PATH may lack PIL.
python=/usr/bin/python3
screens=("$python" "$e2e/screens.py")

# The program's windows by their titles as the desktop shows them, patterns for visible_windows.
main_title='^Orvalis$'
audience_title='^Orvalis — audience$'
presenter_title='^Orvalis — presenter$'

# Monitor layout of every session: two 1920 x 1080 monitors, the second right of the first.
monitor_w=1920
monitor_h=1080

# Seconds allowed for each wait. Generous: the machine may be busy with other jobs.
start_timeout=60      # the program's main window appears
splash_timeout=30     # the start-up splash (3 s) goes away
step_timeout=20       # a window, a menu or the list reacts to a click or a key
first_picture_timeout=30
next_picture_timeout=15  # the show advances every second; a decode may take a while on a busy machine
exit_timeout=30

# Real photographs: the nature photographs of Debian's mate-backgrounds package (GPL-2+, their authors in
# the package's copyright file; see tests/data/README.md).
photos_package=mate-backgrounds
photo_source=/usr/share/backgrounds/mate/nature

display=""          # the session's display, once its server is up
photo_home=""       # the photographs' home under /home, made by photographs_home
program_pid=""
program_may_end=""  # set once the program is asked to end
program_status=""   # the exit status of the program that ended last
program_runner=()   # what starts the program: the session's user, say
program_stderr=""   # the standard error of the program started last
scale=1             # the program's scale factor (QT_SCALE_FACTOR), for the driver's clicks
failures=0          # the checks that failed while E2E_KEEP_GOING=1 let the run go on

pass() { echo "ok   $*"; }
fail() {
    failure_report "$@"
    exit 1
}
check_fail() {
    [[ "${E2E_KEEP_GOING:-}" == 1 ]] || fail "$@"
    failure_report "$@"
    failures=$((failures + 1))
}
# The FAIL line and the screen as it was at the failure, on the run's standard error also when a failure
# comes from within a condition of wait_for, whose standard error that collects.
exec {failure_output}>&2
failure_report() {
    local picture="$shots/failure.png"
    ((failures == 0)) || picture="$shots/failure-$((failures + 1)).png"
    {
        echo "FAIL $*"
        if [[ -n "$display" ]] && grab_screen "$picture" 2>/dev/null; then
            echo "     screenshot: $picture"
        fi
        echo "     screenshots and logs: $shots"
    } >&"$failure_output"
}

session_begin() {
    build=$1
    shots=$2
    program="$build/bin/orvalis"
    [[ -x "$program" ]] || fail "no program at $program (scripts/e2e.sh builds it)"
    mkdir -p "$shots"
    work=$(mktemp -d /tmp/orvalis-e2e.XXXXXX)
    trap cleanup EXIT
    trap 'exit 130' INT TERM
}

cleanup() {
    local status=$?
    if ((status == 0 && failures > 0)); then
        echo "FAIL $failures checks failed (E2E_KEEP_GOING=1)" >&2
        status=1
    fi
    if [[ -n "$program_pid" ]] && kill -0 "$program_pid" 2>/dev/null; then
        kill "$program_pid" 2>/dev/null || true
        sleep 0.5
        kill -9 "$program_pid" 2>/dev/null || true
    fi
    stop_session
    cp "$work"/*.log "$shots/" 2>/dev/null || true
    rm -rf "$work"
    if [[ -n "${photo_home:-}" ]]; then
        rm -rf "$photo_home"
    fi
    exit "$status"
}

wait_for() { waited fail "$@"; }
wait_check() { waited check_fail "$@"; }
waited() {
    local failed=$1 seconds=$2 what=$3
    shift 3
    local deadline=$((SECONDS + seconds))
    until "$@" 2>"$work/wait.err"; do
        if [[ -n "$program_pid" && -z "$program_may_end" ]] && ! kill -0 "$program_pid" 2>/dev/null; then
            fail "$what: the program ended unexpectedly"
        fi
        if ((SECONDS >= deadline)); then
            "$failed" "$what (waited $seconds s) $(sed 's/^FAIL: //' "$work/wait.err")"
            return 1
        fi
        sleep 0.2
    done
}

monitor() {
    convert "$1" -crop "${monitor_w}x${monitor_h}+$(($2 * monitor_w))+0" +repage "$3"
}

# --- The program's files ----------------------------------------------------------------------------

user_folders() {
    export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
    export HOME="$work/home"
    mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$HOME"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    user_folder="$XDG_DATA_HOME/Quenmark/Orvalis"
    mkdir -p "$user_folder"
    settings_file="$user_folder/$(basename "$program").ini"
    last_list="$user_folder/Last image list.txt"
}

# The program's text files are UTF-16 LE with a byte-order mark, CR LF.
write_unicode() {
    local file=$1
    shift
    { printf '\xff\xfe'; printf '%s\r\n' "$@" | iconv -f UTF-8 -t UTF-16LE; } >"$file"
}

# The pictures of scripts/e2e/fixtures.py, shared by the sections.
make_pictures() {
    pictures="$work/pictures"
    mkdir -p "$pictures"
    "${screens[@]}" make "$pictures"
    # The JPEG is stored lying on its side: orientation 6 says "turn clockwise to view". Its EXIF
    # thumbnail is a plain purple picture so that the list shows where the entry's thumbnail came from.
    exiftool -quiet -overwrite_original -Orientation#=6 "-ThumbnailImage<=$pictures/thumb.jpg" \
        "$pictures/IMG_1234.jpg"
    rm "$pictures/thumb.jpg"
    opj_compress -i "$pictures/IMG_9012.ppm" -o "$pictures/IMG_9012.jp2" >/dev/null
    rm "$pictures/IMG_9012.ppm"
    jpeg="$pictures/IMG_1234.jpg"
    png="$pictures/IMG_5678.png"
    missing="$pictures/IMG_0000.jpg"
    jp2="$pictures/IMG_9012.jp2"
}

# The README's screenshots show these photographs in an ordinary user's home, and the program run through
# scripts/e2e/clean-root.sh, so that its browser shows a freshly installed machine's folders rather than
# those of the machine the run happens on.
photographs_home() {
    [[ -z "$photo_home" ]] || return 0
    if [[ -e /home/operator ]]; then
        photo_home=$(mktemp -d /home/operator.XXXXXX)
    else
        photo_home=/home/operator
        mkdir -p "$photo_home"
    fi
    club_folder="$photo_home/Pictures/Club evening"
    local party="$photo_home/Pictures/Garden party" sources=("$photo_source"/*.jpg) number=2101 source target
    ((${#sources[@]} >= 4)) || fail "only ${#sources[@]} photographs in $photo_source"
    mkdir -p "$club_folder" "$party"
    club_photos=()
    for source in "${sources[@]}"; do
        target="$club_folder/IMG_${number}_$(basename "$source")"
        number=$((number + 1))
        if [[ "$source" == "${sources[-1]}" ]]; then
            target="$party/$(basename "$target")"
            held_photo=$target
        else
            club_photos+=("$target")
        fi
        cp "$source" "$target"
    done
    clean_root=("$e2e/clean-root.sh" "$work/clean-root" "$photo_home")
    pass "${#sources[@]} photographs of Debian's $photos_package in $photo_home/Pictures"
}

club_photo() {
    local photo
    for photo in "${club_photos[@]}"; do
        if [[ "$photo" == */IMG_[0-9]*_"$1".jpg ]]; then
            echo "$photo"
            return 0
        fi
    done
    return 1
}

# --- The program ------------------------------------------------------------------------------------

launch_program() {
    local log=$1
    shift
    program_stderr="$work/${log%.log}-stderr.log"
    "${program_runner[@]}" "$program" "$@" >"$work/$log" 2>"$program_stderr" &
    program_pid=$!
    program_may_end=""
}

# WHAT (" (photographs)", say) ends the failure messages.
program_up() {
    wait_for "$start_timeout" "the main window did not appear${1:-}" main_window_shown
    wait_for "$splash_timeout" "the start-up splash did not go away${1:-}" splash_gone
}

# Starts the program afresh with the settings and last list written before and waits until its main
# window is up.
start_program() {
    launch_program "orvalis-$1.log"
    program_up " ($1)"
}

awaited_exit() {
    program_may_end=1
    wait_for "$exit_timeout" "$1" program_ended
    program_status=0
    wait "$program_pid" || program_status=$?
}

program_ended() { ! kill -0 "$program_pid" 2>/dev/null; }
main_window_shown() {
    main_window=$(visible_windows "$main_title" | head -n 1)
    [[ -n "$main_window" ]]
}
splash_gone() { [[ -z "$(visible_windows '^About')" ]]; }
preview_shown() { [[ -n "$(visible_windows "$audience_title")" ]]; }
preview_gone() { [[ -z "$(visible_windows "$audience_title")" ]]; }
