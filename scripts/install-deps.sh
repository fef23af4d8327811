#!/bin/sh
# Installs every Debian package Reelpane needs to build, run and test.
# Idempotent: packages already present are left alone. Runs as root or through sudo.
set -eu

PACKAGES="
build-essential cmake make pkg-config ninja-build git lld
clang clang-format libclang-rt-14-dev
qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools libqt6svg6
libgl1-mesa-dev libxkbcommon-dev
libjpeg-dev libpng-dev libgif-dev libwmf-dev zlib1g-dev
libwebp-dev libheif-dev libtiff-dev libjxl-dev liblcms2-dev
libavcodec-dev libavformat-dev libavfilter-dev libavutil-dev libswresample-dev libswscale-dev
libx264-164
libsdl2-dev libebur128-dev libaubio-dev
libdlib-dev
libgtest-dev libgmock-dev libbenchmark-dev
fonts-liberation2 fonts-dejavu-core fonts-droid-fallback libgs-common
ffmpeg genisoimage xorriso libcdio-utils p7zip-full
xvfb xauth xdotool imagemagick x11-apps
desktop-file-utils appstream libxml2-utils shared-mime-info
opencv-doc libjpeg-turbo-progs webp libheif-examples libavif-bin libtiff-tools libjxl-tools
liblcms2-utils colord-data lame vorbis-tools id3v2 sox libsox-fmt-mp3 python3-mutagen
"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

if [ -z "$missing" ]; then
    echo "install-deps: every package is already installed"
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
elif command -v sudo >/dev/null 2>&1; then
    SUDO="sudo"
else
    echo "install-deps: needs root or sudo to install:$missing" >&2
    exit 1
fi

export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
# shellcheck disable=SC2086
$SUDO apt-get install -y -q --no-install-recommends $missing
