#!/bin/sh
# The real program in a real X server: the title follows the pointer, the
# keypad's plus brightens by a stop, the window shows exactly the bitmap the
# converter writes for it, and Escape ends the program with status 0.
#
# usage: window_e2e.sh PELLUMIR PELLUMIR_CONVERT PICTURE
# Exits 77 (skipped) when Xvfb, xdotool or ImageMagick is missing.

set -u
viewer=$1
converter=$2
picture=$3
. "$(dirname "$0")/x_session.sh"
x_session_require xdotool import compare
x_session_limit 50 "$0" "$@"
x_session_start 1024x768

# Polls the window's title until it ends with the text, for at most ten
# seconds; the window answers each event in a few milliseconds.
wait_for_title_end() {
    tries=0
    while [ $tries -lt 100 ]; do
        title=$(xdotool getwindowname "$window" 2>/dev/null)
        case "$title" in
            *"$1") return 0 ;;
        esac
        tries=$((tries + 1))
        sleep 0.1
    done
    fail "title '$title' does not end with '$1'"
}

name=$(basename "$picture")
"$viewer" "$picture" &
viewer_pid=$!
window=$(timeout 20 xdotool search --sync --limit 1 --name "^$name") ||
    fail "no window named $name appeared"
[ -n "$window" ] || fail "no window named $name appeared"

# The pointer over picture pixel (100, 200) at zoom 1: the title names it
# with the colour the converter reads there.
colour=$("$converter" --pixel 100 200 "$picture") || fail "the converter cannot read $picture"
xdotool mousemove --window "$window" 100 200 || fail "cannot move the pointer"
wait_for_title_end "像素 ( 100, 200) 颜色 ($colour) 比例 (1) 停止 (0.0)"
case "$title" in
    "$name   像素 ( 100, 200) 颜色 ($colour) 比例 (1) 停止 (0.0)") ;;
    *) fail "title '$title'" ;;
esac

# One stop brighter from the keypad.
xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
xdotool key KP_Add || fail "cannot press the keypad's plus"
wait_for_title_end "停止 (1.0)"

# The client area, pixel for pixel, is the bitmap saved at that exposure.
"$converter" --plus "$picture" "$work/expected.bmp" >/dev/null || fail "the converter cannot save"
import -window "$window" "$work/shown.png" || fail "cannot capture the window"
different=$(compare -metric AE "$work/shown.png" "$work/expected.bmp" null: 2>&1)
[ "$different" = "0" ] || fail "$different pixels differ from the converter's bitmap"

# Escape ends the program, and with status 0.
xdotool key Escape || fail "cannot press Escape"
wait "$viewer_pid"
status=$?
viewer_pid=
[ $status -eq 0 ] || fail "the program ended with status $status"
echo "passed"
