#!/usr/bin/env bash
# Installs the Debian packages Orvalis needs for one purpose. Idempotent: installs only what is missing
# and says what it installs.
#
# Usage: scripts/install-deps.sh [run | package | bench | test]
#   run      build and run the program (scripts/run.sh): the tool chain, Qt and the picture libraries
#   package  run, plus what building and checking the Debian package takes (scripts/package.sh,
#            scripts/check-package.sh)
#   bench    run, plus Google Benchmark and the tools the benchmarks time beside Orvalis
#            (scripts/bench.sh)
#   test     everything scripts/test.sh, scripts/e2e.sh, scripts/e2e-speed.sh, scripts/sanitize.sh and
#            .ci/run use: package and bench, plus the test libraries, the fuzzing tool chain, the
#            reference tools, and the X server and the Wayland compositors of the end-to-end run (the
#            default)
set -euo pipefail

purpose=${1:-test}

run_packages=(
    # tool chain
    g++ cmake ninja-build pkg-config
    # Qt 6 (Core, Gui, Widgets, Network, Test, Concurrent) and its platform plugins, X11 and Wayland
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-wayland
    # fonts for the program's texts
    fonts-dejavu-core
    # thumbnail database: zlib for compressed frames, the TurboJPEG API for the JPEG reader
    zlib1g-dev libturbojpeg0-dev
    # the JPEG reader's banded decode (libjpeg's own interface)
    libjpeg62-turbo-dev
    # decoders: OpenJPEG, Qt's extra image readers (TIFF, Targa, WebP), the run-time generic decoder,
    # libheif for HEIF and AVIF and libjxl for JPEG XL (their headers to build; the libraries, loaded at
    # run time, to read them)
    libopenjp2-7-dev qt6-image-formats-plugins libfreeimage3 libheif-dev libjxl-dev
    # libtiff, whose messages the TIFF reader routes to a debug logging category
    libtiff-dev
    # Little CMS: pictures' embedded colour profiles converted to the display's; the X server's
    # randr extension, which tells which of the display profiles the X server holds is the audience
    # monitor's
    liblcms2-dev libxcb-randr0-dev
)
package_packages=(
    # dpkg-shlibdeps and dpkg-buildflags (with file, which CPack uses to find the binaries), the
    # package's checks
    dpkg-dev file lintian desktop-file-utils appstream
)
bench_packages=(
    # Google Benchmark
    libbenchmark-dev
    # what the benchmarks time beside Orvalis: libjpeg-turbo's tjbench and djpeg, OpenJPEG's
    # opj_decompress, Pillow, vipsthumbnail, exiftool
    libjpeg-turbo-progs libopenjp2-tools python3-pil libvips-tools libimage-exiftool-perl
)
test_packages=(
    git
    # Qt's platform interface, through which the tests plug monitors in and out of the offscreen platform
    qt6-base-private-dev
    # tests, fuzzing with sanitizers
    libgtest-dev libgmock-dev clang libclang-rt-14-dev
    # EXIF fixtures and the reference for the EXIF reader benchmark
    libimage-exiftool-perl
    # OpenJPEG's, libjpeg-turbo's and libwebp's tools: JPEG 2000 and WebP fixtures and the decode references
    libopenjp2-tools libjpeg-turbo-progs webp
    # libheif's and libjxl's tools: HEIF, AVIF and JPEG XL fixtures and the decode references
    libheif-examples libjxl-tools
    # the reference for the Lanczos resampler's test and benchmark, and for colour conversion (its
    # ImageCms); the end-to-end script's pictures and checks
    python3-pil
    # colour profiles for the colour conversion's fixtures: free Adobe RGB (1998)-compatible and sRGB
    # ones, and Ghostscript's CMYK one
    icc-profiles-free libgs-common
    # the end-to-end run: an X server with two dummy monitors, xrandr, xdotool, screenshots, xprop, and a
    # window manager for the monitors that come and go
    xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils xdotool imagemagick x11-utils openbox
    # real photographs for the end-to-end run's presenter view and its README screenshot (GPL-2+)
    mate-backgrounds
    # the end-to-end run's Wayland sessions: GNOME Shell and sway headless, each with XWayland, gdbus
    # for GNOME's interfaces, grim and wayvnc for sway's screenshots and input, Qt's Wayland platform,
    # and the loopback of the sessions' own network
    gnome-shell mutter sway xwayland dbus libglib2.0-bin grim wayvnc qt6-wayland iproute2
    # the reference for the end-to-end timing of a step on the X server (scripts/e2e-speed.sh)
    feh
)

case "$purpose" in
    run) packages=("${run_packages[@]}") ;;
    package) packages=("${run_packages[@]}" "${package_packages[@]}") ;;
    bench) packages=("${run_packages[@]}" "${bench_packages[@]}") ;;
    test) packages=("${run_packages[@]}" "${package_packages[@]}" "${bench_packages[@]}" "${test_packages[@]}") ;;
    *)
        echo "usage: $0 [run | package | bench | test]" >&2
        exit 2
        ;;
esac

# A package that two purposes need is named once.
mapfile -t packages < <(printf '%s\n' "${packages[@]}" | sort -u)
missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    if [ "$status" != "installed" ]; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps ($purpose): all ${#packages[@]} packages are installed."
    exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
        echo "install-deps: these packages are missing and this user is not root and has no sudo: ${missing[*]}" >&2
        exit 1
    fi
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
if ! "${sudo[@]}" apt-get update -qq; then
    echo "install-deps: apt-get update failed; cannot install ${missing[*]}" >&2
    exit 1
fi
if ! "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"; then
    echo "install-deps: apt-get install failed for: ${missing[*]}" >&2
    exit 1
fi
echo "install-deps: done."
