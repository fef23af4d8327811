#!/bin/sh
# Screenshots of the full-screen preview as the real program plays it under Xvfb: a show of three
# numbered photos (2 s each, a 3 s slide-in from the right between them) with 12 s of music is
# made with reelpane-cli, opened through the open dialog, and the preview button is pressed; the
# screen is then taken about twice a second until the window is back. Then Space (pause, resume)
# and Esc are tried on a second run.
#
#   scripts/preview-screenshots.sh BUILD_DIR OUT_DIR
set -eu

BUILD=$(cd "${1:?build folder}" && pwd)
OUT=${2:?output folder}
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)
DISPLAY_NUMBER=:97
. "$(dirname "$0")/screenshot-session.sh"

FONT=$(fc-list | grep -i "LiberationSans-Bold.ttf" | head -1 | cut -d: -f1)
for spec in "1 #c83232" "2 #32a032" "3 #3250c8"; do
    set -- $spec
    convert -size 1280x960 xc:"$2" -font "$FONT" -gravity center -pointsize 400 -fill white \
        -annotate 0 "$1" "$WORK/photo$1.png"
done
sox -n -r 44100 -c 2 -b 16 "$WORK/music.wav" synth 12 sine 330
"$BUILD/reelpane-cli" new "$WORK/show.qvs" --seconds 2 --transition 2:3 --music "$WORK/music.wav" \
    "$WORK/photo1.png" "$WORK/photo2.png" "$WORK/photo3.png"

Xvfb "$DISPLAY_NUMBER" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
sleep 1
export DISPLAY="$DISPLAY_NUMBER" XDG_CONFIG_HOME="$WORK/config" SDL_AUDIODRIVER=dummy
export QT_QPA_PLATFORM=xcb TMPDIR="$WORK"
"$BUILD/reelpane" >/dev/null 2>&1 &
APP_PID=$!
sleep 3
# The window opens centred at 637 x 560 on the 1024 x 768 screen: the open button is the second
# of the bottom toolbar, the preview button the third.
xdotool mousemove 446 631 click 1
sleep 1.5
xdotool type --delay 20 "$WORK/show.qvs"
xdotool key Return
sleep 3
import -window root "$OUT/editor.png"

xdotool mousemove 510 631 click 1
start=$(date +%s.%N)
for i in $(seq -w 0 26); do
    import -window root "$OUT/play$i.png"
    echo "play$i.png $(echo "$(date +%s.%N) - $start" | bc) s" >>"$OUT/times.txt"
    sleep 0.35
done

# Space pauses (two shots 2 s apart are the same), Space resumes, Esc stops.
xdotool mousemove 510 631 click 1
sleep 2.6
xdotool key space
sleep 0.3
import -window root "$OUT/paused1.png"
sleep 2
import -window root "$OUT/paused2.png"
xdotool key space
sleep 1.5
import -window root "$OUT/resumed.png"
xdotool key Escape
sleep 1
import -window root "$OUT/stopped.png"
if cmp -s "$OUT/paused1.png" "$OUT/paused2.png"; then
    echo "paused: the picture stood still"
else
    echo "paused: the picture moved" >&2
fi
echo "screenshots in $OUT"
