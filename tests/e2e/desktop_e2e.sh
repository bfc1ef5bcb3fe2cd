#!/bin/sh
# The program as a window manager frames it: Openbox on an Xvfb screen of
# 1280 x 1024, both started and ended here. The whole frame is centred; a
# picture larger than the screen keeps its whole frame on it; a 4 x 2
# picture's title bar still shows a close box that works; at a scale factor
# of 2 the title names the device pixel under the pointer; Qt's own texts
# are Chinese whatever the locale.
#
# usage: desktop_e2e.sh PELLUMIR PELLUMIR_CONVERT PICTURE
# Exits 77 (skipped) when Xvfb, Openbox or the X tools are missing.

set -u
viewer=$1
converter=$2
picture=$3
. "$(dirname "$0")/x_session.sh"
x_session_require openbox xdotool xwininfo xprop python3
x_session_limit 110 "$0" "$@"
x_session_start 1280x1024
x_session_window_manager

# Starts the viewer on a file (or none) with the environment given before it.
start_viewer() {
    env "$@" >"$work/stderr" 2>&1 &
    viewer_pid=$!
}

# The first window whose title is exactly, or begins with, the text. xdotool's
# own search cannot match Chinese titles, so every window is asked.
find_window() {
    find_tries=0
    while [ $find_tries -lt 100 ]; do
        for id in $(xdotool search --name . 2>/dev/null); do
            case "$(xdotool getwindowname "$id" 2>/dev/null)" in
                "$1") echo "$id"; return 0 ;;
            esac
        done
        find_tries=$((find_tries + 1))
        sleep 0.1
    done
    return 1
}

# The window's frame once Openbox has framed it: sets frame_x, frame_y,
# frame_w, frame_h and the margins left, right, top, bottom.
read_frame() {
    framed_tries=0
    until xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | grep -q '='; do
        framed_tries=$((framed_tries + 1))
        [ $framed_tries -lt 100 ] || fail "window $1 was never framed"
        sleep 0.1
    done
    set -- $(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g') "$1"
    left=$1 right=$2 top=$3 bottom=$4
    info=$(xwininfo -id "$5")
    client_x=$(echo "$info" | sed -n 's/.*Absolute upper-left X: *//p')
    client_y=$(echo "$info" | sed -n 's/.*Absolute upper-left Y: *//p')
    client_w=$(echo "$info" | sed -n 's/.*Width: *//p')
    client_h=$(echo "$info" | sed -n 's/.*Height: *//p')
    frame_x=$((client_x - left))
    frame_y=$((client_y - top))
    frame_w=$((client_w + left + right))
    frame_h=$((client_h + top + bottom))
}

# Waits up to three seconds for the frame to be centred in the work area
# within one pixel (the window is placed again once its frame is known).
expect_centred() {
    centre_tries=0
    while :; do
        read_frame "$1"
        dx=$((2 * (frame_x - area_x) - (area_w - frame_w)))
        dy=$((2 * (frame_y - area_y) - (area_h - frame_h)))
        [ ${dx#-} -le 2 ] && [ ${dy#-} -le 2 ] && return 0
        centre_tries=$((centre_tries + 1))
        [ $centre_tries -lt 30 ] || fail "frame ${frame_w}x${frame_h} at ($frame_x, $frame_y) is not centred in ${area_w}x${area_h}"
        sleep 0.1
    done
}

end_viewer() {
    kill "$viewer_pid" 2>/dev/null
    wait "$viewer_pid" 2>/dev/null
    viewer_pid=
}

name=$(basename "$picture")

# 1. The whole frame centred.
start_viewer "$viewer" "$picture"
window=$(find_window "$name") || fail "no window named $name appeared"
expect_centred "$window"
[ "$client_w" -eq 640 ] && [ "$client_h" -eq 480 ] || fail "client ${client_w}x$client_h, not 640x480"
end_viewer

# 2. A picture larger than the screen: the whole frame on it.
python3 - "$work/large.hdr" <<'PY' || fail "cannot write the large picture"
import sys
width, height = 3000, 2000
row = bytes([90, 110, 130, 128]) * width
with open(sys.argv[1], "wb") as out:
    out.write(b"#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y %d +X %d\n" % (height, width))
    out.write(row * height)
PY
start_viewer "$viewer" "$work/large.hdr"
window=$(find_window large.hdr) || fail "no window for the large picture"
expect_centred "$window"
[ $frame_x -ge $area_x ] && [ $frame_y -ge $area_y ] &&
    [ $((frame_x + frame_w)) -le $((area_x + area_w)) ] &&
    [ $((frame_y + frame_h)) -le $((area_y + area_h)) ] ||
    fail "large picture's frame ${frame_w}x${frame_h} at ($frame_x, $frame_y) leaves the screen"
end_viewer

# 3. A 4 x 2 picture: a frame wide enough for the icon, a little of the
# caption and three buttons, and the close box at its right end closes it.
python3 - "$work/tiny.pfm" <<'PY' || fail "cannot write the tiny picture"
import struct, sys
with open(sys.argv[1], "wb") as out:
    out.write(b"PF\n4 2\n-1.0\n" + struct.pack("<24f", *([0.5] * 24)))
PY
start_viewer "$viewer" "$work/tiny.pfm"
window=$(find_window tiny.pfm) || fail "no window for the 4 x 2 picture"
expect_centred "$window"
title_bar=$((top - left))
[ $frame_w -ge $((6 * title_bar)) ] ||
    fail "the 4 x 2 picture's frame is $frame_w wide, its title bar $title_bar high"
xdotool mousemove $((frame_x + frame_w - left - title_bar / 2 - 1)) $((frame_y + top / 2)) click 1
tries=0
while kill -0 "$viewer_pid" 2>/dev/null; do
    tries=$((tries + 1))
    [ $tries -lt 50 ] || fail "the close box of the 4 x 2 picture's window is not where a close box goes"
    sleep 0.1
done
wait "$viewer_pid"
status=$?
viewer_pid=
[ $status -eq 0 ] || fail "closing the 4 x 2 picture ended with status $status"

# 4. At a scale factor of 2 the pointer over device pixel (3, 1) names
# picture pixel (3, 1), not (4, 2).
start_viewer QT_SCALE_FACTOR=2 "$viewer" "$picture"
window=$(find_window "$name") || fail "no window named $name at scale 2"
read_frame "$window"
[ "$client_w" -eq 640 ] || fail "at scale 2 the client is $client_w device pixels wide, not 640"
xdotool mousemove --window "$window" 3 1
tries=0
until xdotool getwindowname "$window" | grep -q '像素 (   3,   1)'; do
    tries=$((tries + 1))
    [ $tries -lt 50 ] || fail "at scale 2 the title over (3, 1) reads '$(xdotool getwindowname "$window")'"
    sleep 0.1
done
end_viewer

# 5. In the C locale the open dialog is Qt's "打开", and Qt reports the
# catalogue it loaded; Escape cancels it and ends the run silently.
start_viewer LANG=C LC_ALL=C LANGUAGE= QT_LOGGING_RULES=pellumir.translation.info=true "$viewer"
window=$(find_window "打开") || fail "no open dialog titled 打开: $(cat "$work/stderr")"
grep -q "qtbase_zh_CN.qm" "$work/stderr" || fail "no Qt catalogue reported: $(cat "$work/stderr")"
xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
xdotool key Escape
wait "$viewer_pid"
status=$?
viewer_pid=
[ $status -eq 0 ] || fail "cancelling the open dialog ended with status $status"

echo "passed"
