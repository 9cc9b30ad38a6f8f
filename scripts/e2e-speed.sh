#!/usr/bin/env bash
# How long a step of the show takes as the audience sees it, on the end-to-end script's X server (Xorg
# with two dummy monitors of 1920 x 1080, no window manager; scripts/e2e/xserver.sh):
#
#   - two camera photographs of 24 megapixels stored on their side (6000 x 4000, quality 90, 4:2:0,
#     camera EXIF with orientation 6), made by the show benchmark (bench/ShowImageBench.cpp);
#   - Orvalis shows them on monitor 2 ("Play slideshow", watermark on, manual advance); each left click
#     on monitor 2 steps to the other one. A step's time runs from the start of "xdotool click 1" to the
#     first change of a part of monitor 2 in the middle of the picture, read from the server every
#     couple of milliseconds (scripts/e2e/speed.py);
#   - feh shows the same two files fitted in a borderless window over monitor 2 and steps between them
#     the same way (its left button bound to "next image");
#   - beside them, in the same run, the bare decode of the same files: libjpeg-turbo decoding the file
#     read from disk into a buffer (the benchmark's BM_TurboJpegDecode);
#   - ROUNDS rounds of STEPS steps each, the programs and the decode taking turns, so that a busy
#     machine weighs on all of them alike. The first step after each start is timed on its own (it lays
#     out the memory of a second photograph for the first time). The medians and their ratios go to
#     SHOTS_DIR/e2e-speed.txt.
#
# The goals: Orvalis's median step at most 1.6 x the median decode, and below feh's median. The script
# says whether they are met; it fails on a missed goal only with E2E_SPEED_STRICT=1 (these machines are
# shared, and one busy minute can miss a goal that holds).
#
# Usage: scripts/e2e-speed.sh [BUILD_DIR [SHOTS_DIR]]   (ROUNDS=3 STEPS=5 by default; set in the
# environment to change them). BUILD_DIR as for scripts/e2e.sh; bin/orvalis and bin/bench_show_image
# are brought up to date there, the build configured with ORVALIS_BUILD_BENCH=ON first when it is not
# (scripts/test.sh switches the benchmarks off again in its build).
#
# Needs root (to start Xorg) and the Debian packages of scripts/e2e.sh, and feh.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh"
build=$(realpath -m "${1:-${ORVALIS_BUILD_DIR:-"$root/build"}}")
shots=$(realpath -m "${2:-${E2E_SHOTS:-"$build/e2e-shots"}}")
rounds=${ROUNDS:-3}
steps=${STEPS:-5}
python=/usr/bin/python3
screens=("$python" "$root/scripts/e2e/screens.py")
speed=("$python" "$root/scripts/e2e/speed.py")
source "$root/scripts/e2e/xserver.sh"

monitor_w=1920
monitor_h=1080
# What is watched for a change: a square in the middle of monitor 2, inside either picture. The pointer
# clicks far from it, on the black beside the picture, so that the busy cursor never shows in it.
watch_region=($((monitor_w + monitor_w / 2 - 30)) $((monitor_h / 2 - 30)) 60 60)
click_x=$((monitor_w + 100))
click_y=100

pass() { echo "ok   $*"; }
fail() {
    echo "FAIL $*" >&2
    exit 1
}
need_x_tools
need feh feh
"$python" -c 'import PIL.Image' 2>/dev/null || fail "$python cannot import PIL (Debian package python3-pil)"

if ! grep -qx 'ORVALIS_BUILD_BENCH:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null; then
    echo "configuring $build with the benchmarks"
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVALIS_BUILD_BENCH=ON
fi
cmake --build "$build" --target orvalis orvalis-decoder bench_show_image
program="$build/bin/orvalis"
bench="$build/bin/bench_show_image"

mkdir -p "$shots"
work=$(mktemp -d /tmp/orvalis-e2e-speed.XXXXXX)
running_pid=""

cleanup() {
    local status=$?
    if [[ -n "$running_pid" ]] && kill -0 "$running_pid" 2>/dev/null; then
        kill "$running_pid" 2>/dev/null || true
        wait "$running_pid" 2>/dev/null || true
    fi
    xserver_stop
    cp "$work/Xorg.log" "$work"/*.log "$shots/" 2>/dev/null || true
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# stop_running: ends the program or feh started last.
stop_running() {
    kill "$running_pid" 2>/dev/null || true
    wait "$running_pid" 2>/dev/null || true
    running_pid=""
}

xserver_start "$work" ||
    fail "Xorg with the dummy driver did not start (it must run as root; see $work/Xorg.out)"
export DISPLAY=$xserver_display
xserver_monitors || fail "xrandr did not make two 1920 x 1080 monitors side by side"
pass "Xorg on $DISPLAY with two monitors of 1920 x 1080 side by side"

# --- The photographs and the bare decode -------------------------------------------------------------

# The benchmark makes its photographs in its temporary folder and decodes them there.
export TMPDIR="$work/tmp"
mkdir -p "$TMPDIR"
photos="$TMPDIR/orvalis-show-image-bench"
# decode REPETITIONS: the bare decode's times, one repetition each, appended to decode.ms.
decode() {
    QT_QPA_PLATFORM=offscreen "$bench" --benchmark_filter='^BM_TurboJpegDecode/' \
        --benchmark_repetitions="$1" --benchmark_format=json >"$work/decode.json" 2>"$work/bench.log" ||
        fail "bench_show_image failed (see $shots/bench.log)"
    "${speed[@]}" repetitions "$work/decode.json" >>"$work/decode.ms"
}
decode 1
: >"$work/decode.ms"
[[ -f "$photos/IMG_0001.JPG" && -f "$photos/IMG_0002.JPG" ]] || fail "the benchmark made no photographs"
pass "two photographs of 6000 x 4000 with orientation 6: $(du -h "$photos/IMG_0001.JPG" | cut -f1) each"

# --- Orvalis's set-up: the two photographs in the last image list, watermark on, manual steps --------

export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
export HOME="$work/home" QT_QPA_PLATFORM=xcb
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
user_folder="$XDG_DATA_HOME/Quenmark/Orvalis"
mkdir -p "$user_folder"
write_unicode() {  # the program's text files are UTF-16 LE with a byte-order mark, CR LF
    local file=$1
    shift
    { printf '\xff\xfe'; printf '%s\r\n' "$@" | iconv -f UTF-8 -t UTF-16LE; } >"$file"
}
write_unicode "$user_folder/$(basename "$program").ini" "[Settings]" "CheckBoxUseWatermarking=1" \
    "RadioButtonSlideShowAutomaticAdvance=0" "RadioButtonSlideshowManualAdvance=1"
# feh's left button steps to the next picture, as Orvalis's does.
mkdir -p "$XDG_CONFIG_HOME/feh"
printf 'pan\nnext_img 1\n' >"$XDG_CONFIG_HOME/feh/buttons"

main_window_shown() { [[ -n "$(xdotool search --onlyvisible --name '^Orvalis$' 2>/dev/null)" ]]; }
splash_gone() { [[ -z "$(xdotool search --onlyvisible --name '^About' 2>/dev/null)" ]]; }
# The File menu's item DOWNS steps down, picked with the keyboard once the menu is open.
menu_file() {
    local downs=$1 menus
    menus=$(xdotool search --onlyvisible --pid "$running_pid" 2>/dev/null | wc -l)
    xdotool mousemove 10 8 click 1
    menu_open() { (($(xdotool search --onlyvisible --pid "$running_pid" 2>/dev/null | wc -l) > menus)); }
    xserver_wait 20 menu_open || fail "the File menu did not open"
    for ((i = 0; i < downs; i++)); do xdotool key Down; done
    xdotool key Return
}
picture_shown() { "${speed[@]}" shown "$DISPLAY" "${watch_region[@]}" 5; }

# timed_steps NAME: the first step after the start (the first time a program lays out the memory of a
# second photograph) goes to NAME-first.ms, the next STEPS to NAME.ms.
timed_steps() {
    "${speed[@]}" steps "$DISPLAY" "${watch_region[@]}" 1 "$work/$1-first.ms" xdotool click 1 &&
        "${speed[@]}" steps "$DISPLAY" "${watch_region[@]}" "$steps" "$work/$1.ms" xdotool click 1
}

# orvalis_steps: starts the program, loads the last image list, plays the show on monitor 2 and steps.
orvalis_steps() {
    write_unicode "$user_folder/Last image list.txt" "$photos/IMG_0001.JPG" "$photos/IMG_0002.JPG"
    "$program" >>"$work/orvalis.log" 2>&1 &
    running_pid=$!
    xserver_wait 60 main_window_shown || fail "the main window did not appear"
    xserver_wait 30 splash_gone || fail "the start-up splash did not go away"
    import -window root "$work/started.png"
    local play
    play=$("${screens[@]}" toolbar "$work/started.png") || fail "no toolbar found above the image list"
    menu_file 3  # Load Image List..., Save Image List..., Load Last Image List
    # "Play slideshow" with nothing selected starts at the first entry, once the list is there.
    play_shown() {
        xdotool mousemove "${play% *}" "${play#* }" click 1
        picture_shown
    }
    xserver_wait 90 play_shown || fail "\"Play slideshow\" showed no picture on monitor 2"
    xdotool mousemove "$click_x" "$click_y"
    timed_steps orvalis || fail "Orvalis's steps could not be timed"
    stop_running
}

feh_steps() {
    # A borderless window over monitor 2, the pictures fitted to it: without a window manager, feh's own
    # full screen lands on monitor 1.
    feh --borderless --geometry "${monitor_w}x${monitor_h}+${monitor_w}+0" --auto-zoom --scale-down \
        --image-bg black "$photos/IMG_0001.JPG" "$photos/IMG_0002.JPG" >>"$work/feh.log" 2>&1 &
    running_pid=$!
    xserver_wait 60 picture_shown || fail "feh showed no picture on monitor 2"
    xdotool mousemove "$click_x" "$click_y"
    timed_steps feh || fail "feh's steps could not be timed"
    stop_running
}

for name in orvalis orvalis-first feh feh-first; do : >"$work/$name.ms"; done
for ((round = 1; round <= rounds; round++)); do
    orvalis_steps
    feh_steps
    decode "$steps"
    pass "round $round of $rounds: $steps steps each of Orvalis and feh, $steps decodes"
done

"${speed[@]}" report "$work/decode.ms" Orvalis="$work/orvalis.ms" feh="$work/feh.ms" \
    "Orvalis's first step after its start"="$work/orvalis-first.ms" \
    "feh's first step after its start"="$work/feh-first.ms" | tee "$shots/e2e-speed.txt"
for name in decode orvalis orvalis-first feh feh-first; do cp "$work/$name.ms" "$shots/e2e-speed-$name.ms"; done
verdict=$("${speed[@]}" goals "$work/decode.ms" "$work/orvalis.ms" "$work/feh.ms") || true
echo "$verdict" | tee -a "$shots/e2e-speed.txt"
if [[ "${E2E_SPEED_STRICT:-0}" == 1 && "$verdict" != *"goals met"* ]]; then
    fail "a goal was missed"
fi
pass "figures in $shots/e2e-speed.txt"
