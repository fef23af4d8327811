#!/bin/sh
# Screenshots of the disc dialog under Xvfb, drawn by the X server: over virtual recorders, once
# with a DVD+RW that holds a session and once with the disc taken out.
#
#   scripts/disc-dialog-screenshots.sh BUILD_DIR OUT_DIR
set -eu

BUILD=$(cd "${1:?build folder}" && pwd)
OUT=${2:?output folder}
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export XDG_CONFIG_HOME="$WORK/config" HOME="$WORK" REELPANE_SHOT_DIR="$OUT"
xvfb-run -a -s "-screen 0 800x600x24" "$BUILD/ui_disc_dialog_test" -platform xcb screenshots
ls -l "$OUT"
