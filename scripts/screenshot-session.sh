# Sourced by the screenshot scripts: a scratch folder ($WORK) and the clean-up that ends the
# program ($APP_PID, let finish: it clears its working files as it quits) and the X server
# ($XVFB_PID) before the folder goes, however the script ends.
WORK=$(mktemp -d)
APP_PID=""
XVFB_PID=""
cleanup() {
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null && wait "$APP_PID" 2>/dev/null || true
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT
