#!/bin/sh
# The help's pictures, taken from the real program under Xvfb: a show of three photos and a
# 20-second track is made with reelpane-cli and opened, then the menu bar (its Photo menu open), a
# photo's right-click menu, the motion editor on the large preview with a frame dragged, the
# MP4 dialog with the Phone preset, the show-music dialog with a hint, and the help window are
# taken and cut to size into help/images (or OUT_DIR). The program runs in English; the window
# sits centred on a 1280 x 900 screen without a window manager, so the places clicked are fixed.
#
#   scripts/help-screenshots.sh BUILD_DIR [OUT_DIR] [DISPLAY]
set -eu

BUILD=$(cd "${1:?build folder}" && pwd)
OUT=${2:-$(dirname "$0")/../help/images}
DISPLAY_NUMBER=${3:-:58}
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)
. "$(dirname "$0")/screenshot-session.sh"

mkdir -p "$WORK/photos"
for i in 1 2 3; do
    convert -size 1600x1200 plasma:red-blue -depth 8 PNG24:"$WORK/photos/p$i.png"
done
sox -n -r 22050 -c 1 "$WORK/photos/tone.wav" synth 20 sine 330 2>/dev/null
"$BUILD/reelpane-cli" new "$WORK/show.qvs" --music "$WORK/photos/tone.wav" \
    "$WORK/photos/p1.png" "$WORK/photos/p2.png" "$WORK/photos/p3.png" >/dev/null 2>&1

if ! xdpyinfo -display "$DISPLAY_NUMBER" >/dev/null 2>&1; then
    Xvfb "$DISPLAY_NUMBER" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    sleep 1
fi
export DISPLAY="$DISPLAY_NUMBER" XDG_CONFIG_HOME="$WORK/config" XDG_STATE_HOME="$WORK/state"
export SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb TMPDIR="$WORK"
"$BUILD/reelpane" "$WORK/show.qvs" >/dev/null 2>&1 &
APP_PID=$!
sleep 6

shot() { # name geometry (WxH+X+Y)
    import -window root -crop "$2" +repage "$OUT/$1.png"
}
# The menu bar, its Photo menu open.
xdotool mousemove 421 178 click 1
sleep 1
shot menu-bar 640x340+321+170
xdotool key Escape
sleep 0.5
# A photo's right-click menu.
xdotool mousemove 380 590 click 3
sleep 1
shot context-menu 640x470+321+420
xdotool key Escape
sleep 0.5
# The motion editor: linear motion, the start frame sized by its corner and moved.
xdotool key alt+6
sleep 2
xdotool mousemove 300 174 click 1
sleep 0.7
xdotool mousemove 213 219 click 1
sleep 0.7
xdotool mousemove 1000 539 mousedown 1 mousemove 950 500 mousemove 860 450 mouseup 1
sleep 0.5
xdotool mousemove 700 400 mousedown 1 mousemove 720 420 mousemove 760 440 mouseup 1
sleep 0.7
shot motion 900x560+179+130
xdotool mousemove 402 423 click 1 # Cancel
sleep 1
# The MP4 dialog with the Phone preset: Show, Save as video, a name ending in .mp4.
xdotool mousemove 517 178 click 1
sleep 0.7
xdotool mousemove 560 222 click 1
sleep 2
xdotool mousemove 626 562 click 1 key ctrl+a
xdotool type --delay 10 "$WORK/show.mp4"
xdotool key Return
sleep 2
xdotool mousemove 628 272 click 1
sleep 0.7
xdotool mousemove 516 339 click 1
sleep 1
WIN=$(xdotool search --name "^Save as MP4$" | head -1)
eval "$(xdotool getwindowgeometry --shell "$WIN")"
shot mp4-phone "${WIDTH}x${HEIGHT}+$X+$Y"
# Cancel, at the dialog's bottom right.
xdotool mousemove $((X + WIDTH - 50)) $((Y + HEIGHT - 22)) click 1
sleep 1
# The show's music dialog with the hint of "Fit photos to the music".
xdotool mousemove 400 651 click 3
sleep 0.7
xdotool mousemove 460 685 click 1
sleep 1.5
WIN=$(xdotool search --name "Show music" | head -1)
eval "$(xdotool getwindowgeometry --shell "$WIN")"
xdotool mousemove $((X + 40)) $((Y + HEIGHT - 52))
sleep 2.5
shot show-music "$((WIDTH + 200))x$((HEIGHT + 60))+$X+$Y"
xdotool key Escape
sleep 0.5
# The help window (Help, Help; F1 needs the keyboard focus a window manager would give), at
# its motion section.
xdotool mousemove 562 178 click 1
sleep 0.7
xdotool mousemove 590 200 click 1
sleep 2
WIN=$(xdotool search --name "^Help$" | head -1)
eval "$(xdotool getwindowgeometry --shell "$WIN")"
xdotool mousemove $((X + 62)) $((Y + 258)) click 1 # the contents' "Motion"
sleep 1
shot help "${WIDTH}x${HEIGHT}+$X+$Y"
echo "help-screenshots: pictures in $OUT"
