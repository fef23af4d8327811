#!/bin/sh
# Screenshots of the phone and camera photo formats in the real program under Xvfb: a show of one
# labelled photo in each new format (WebP, HEIC, AVIF, TIFF, JPEG XL) and a JPEG is made with
# reelpane-cli from files the formats' own tools wrote, opened by its path, and the storyboard is
# taken (both of its pages); then the Add photos dialog is opened, its list of file types shown,
# and a HEIC picked so its preview shows.
#
#   scripts/photo-format-screenshots.sh BUILD_DIR OUT_DIR
set -eu

BUILD=$(cd "${1:?build folder}" && pwd)
OUT=${2:?output folder}
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)
DISPLAY_NUMBER=:96
. "$(dirname "$0")/screenshot-session.sh"

P="$WORK/photos"
mkdir -p "$P"
FONT=$(fc-list | grep -i "DejaVuSans.ttf" | head -1 | cut -d: -f1)
convert -size 800x600 plasma:red-blue -depth 8 PNG24:"$WORK/src.png"
label() {
    convert "$WORK/src.png" -font "$FONT" -fill white -pointsize 90 -gravity center \
        -annotate 0 "$1" PNG24:"$WORK/$2"
}
label WebP webp.png && cwebp -quiet "$WORK/webp.png" -o "$P/photo.webp"
label HEIC heic.png && heif-enc -q 80 "$WORK/heic.png" -o "$P/photo.heic" >/dev/null
label AVIF avif.png && avifenc -s 8 "$WORK/avif.png" "$P/photo.avif" >/dev/null
label TIFF tiff.png && convert "$WORK/tiff.png" "$P/photo.tif"
label "JPEG XL" jxl.png && cjxl "$WORK/jxl.png" -d 1 "$P/photo.jxl" >/dev/null 2>&1
label JPEG jpeg.png && convert "$WORK/jpeg.png" "$P/photo.jpg"
(cd "$P" && "$BUILD/reelpane-cli" new "$WORK/formats.qvs" photo.webp photo.heic photo.avif \
    photo.tif photo.jxl photo.jpg)

Xvfb "$DISPLAY_NUMBER" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
sleep 1
export DISPLAY="$DISPLAY_NUMBER" XDG_CONFIG_HOME="$WORK/config" SDL_AUDIODRIVER=dummy
export QT_QPA_PLATFORM=xcb TMPDIR="$WORK"
"$BUILD/reelpane" "$WORK/formats.qvs" >/dev/null 2>&1 &
APP_PID=$!
sleep 6
# The window opens centred on the 1280 x 900 screen: the storyboard's next-page arrow is at its
# right end, the Add photos button above the music one at the right.
import -window root "$OUT/storyboard1.png"
xdotool mousemove 879 584 click 1
sleep 1
import -window root "$OUT/storyboard2.png"
xdotool mousemove 921 539 click 1
sleep 2
xdotool mousemove 625 592 click 1
sleep 1
import -window root "$OUT/dialog-file-types.png"
xdotool key Escape
sleep 0.5
xdotool mousemove 520 562 click 1
xdotool type --delay 20 "$P/"
xdotool key Return
sleep 1.5
xdotool type --delay 20 "photo.heic"
sleep 0.5
xdotool key Escape
# The folder holds only the six photos, sorted by name: the HEIC is the second; clicking it shows
# its preview beside the list.
xdotool mousemove 480 292 click 1
sleep 2
import -window root "$OUT/dialog-heic-preview.png"
echo "photo-format-screenshots: pictures in $OUT"
