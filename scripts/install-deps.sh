#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Orvalis need. Idempotent: installs
# only what is missing and says what it installs.
set -euo pipefail

packages=(
    # toolchain
    g++ cmake ninja-build pkg-config git
    # Qt 6 (Core, Gui, Widgets, Network, Test, Concurrent) and its platform plugins
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins
    # Qt's platform interface, through which the tests plug monitors in and out of the offscreen platform
    qt6-base-private-dev
    # tests, benchmarks, fuzzing with sanitizers
    libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
    # EXIF fixtures and the reference for the EXIF reader benchmark
    libimage-exiftool-perl
    # fonts for rendering under the offscreen platform
    fonts-dejavu-core
    # thumbnail database: zlib for compressed frames, the TurboJPEG API for the JPEG reader
    zlib1g-dev libturbojpeg0-dev
    # decoders: OpenJPEG and its tools (JPEG 2000 fixtures, the decode reference), Qt's extra image readers,
    # the run-time generic decoder, libjpeg-turbo's tools (the JPEG decode reference)
    libopenjp2-7-dev libopenjp2-tools qt6-image-formats-plugins libfreeimage3 libjpeg-turbo-progs
    # libtiff, whose messages the TIFF reader routes to a debug logging category
    libtiff-dev
    # the reference for the Lanczos resampler's test and benchmark; the end-to-end script's pictures and checks
    python3-pil
    # the end-to-end run: an X server with two dummy monitors, xrandr, xdotool, screenshots, xprop, and a
    # window manager for the monitors that come and go
    xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils xdotool imagemagick x11-utils openbox
    # real photographs for the end-to-end run's presenter view and its README screenshot (GPL-2+)
    mate-backgrounds
    # the reference for the thumbnail workers' benchmark (vipsthumbnail)
    libvips-tools
    # the JPEG reader's banded decode (libjpeg's own interface)
    libjpeg62-turbo-dev
    # the reference for the end-to-end timing of a step on the X server (scripts/e2e-speed.sh)
    feh
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    if [ "$status" != "installed" ]; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: all ${#packages[@]} packages are installed."
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
