#!/bin/sh
# Without a display the viewer says so in one line on the standard error
# and exits with status 1: with DISPLAY and WAYLAND_DISPLAY unset, and with
# DISPLAY naming a server that is not there.
#
# usage: no_display.sh PELLUMIR PICTURE

set -u
viewer=$1
picture=$2
out=$(mktemp)
trap 'rm -f "$out"' EXIT

fail() {
    echo "FAILED: $*"
    exit 1
}

check() {
    status=$1
    [ "$status" -eq 1 ] || fail "$2: status $status, not 1: $(cat "$out")"
    [ "$(wc -l <"$out")" -eq 1 ] || fail "$2: not one line: $(cat "$out")"
    grep -q '^pellumir: cannot open a window: ' "$out" || fail "$2: $(cat "$out")"
}

env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$viewer" "$picture" >"$out" 2>&1
check $? "without DISPLAY"
grep -q 'DISPLAY and WAYLAND_DISPLAY are not set' "$out" || fail "$(cat "$out")"

# A display number no X server uses.
env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:32767 "$viewer" "$picture" >"$out" 2>&1
check $? "with DISPLAY=:32767"
grep -q '":32767"' "$out" || fail "$(cat "$out")"
echo "passed"
