# What the tests that drive the program in an X server share, sourced by
# each: the check for their tools, a private Xvfb screen, a window manager
# when the test needs one, and the end of everything started here.
#
# Each test's own Xvfb takes a display number that the server itself finds
# free (-displayfd), so tests started side by side never share a screen.
# Sets `work`, a scratch folder removed at the end; a test that starts the
# viewer keeps its process id in `viewer_pid`, which is ended too.

skipped=77
work=
viewer_pid=
wm_pid=
xvfb_pid=

fail() {
    echo "FAILED: $*"
    exit 1
}

# x_session_require TOOL...: exits 77 (skipped) unless every tool is there.
x_session_require() {
    for tool in Xvfb "$@"; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "SKIPPED: $tool is not installed"
            exit $skipped
        fi
    done
}

x_session_end() {
    [ -n "$viewer_pid" ] && kill "$viewer_pid" 2>/dev/null
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    [ -n "$work" ] && rm -rf "$work"
}

# x_session_limit SECONDS SCRIPT ARGUMENTS...: runs the test again under
# timeout; after SECONDS it is ended, failing, with everything it started,
# so that a hung test does not hold its screen and windows past its own
# time-out. Returns in the second run.
x_session_limit() {
    [ -n "${PELLUMIR_E2E_INSIDE:-}" ] && return 0
    seconds=$1
    shift
    PELLUMIR_E2E_INSIDE=1 exec timeout "$seconds" "$@"
}

# x_session_start WIDTHxHEIGHT: an Xvfb screen of that size with DISPLAY
# set to it, ready for clients.
x_session_start() {
    work=$(mktemp -d)
    trap x_session_end EXIT
    trap 'exit 1' HUP INT TERM
    # Xvfb writes its display number once it accepts connections.
    Xvfb -displayfd 3 -screen 0 "${1}x24" -nolisten tcp 3>"$work/display" \
        >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    tries=0
    until [ -s "$work/display" ]; do
        tries=$((tries + 1))
        [ $tries -lt 100 ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
        sleep 0.1
    done
    DISPLAY=:$(head -n 1 "$work/display")
    export DISPLAY
}

# x_session_window_manager: Openbox, ready once it has announced itself and
# the work area on the root window; sets area_x, area_y, area_w, area_h.
x_session_window_manager() {
    openbox --config-file /dev/null >"$work/openbox.log" 2>&1 &
    wm_pid=$!
    tries=0
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' &&
        xprop -root _NET_WORKAREA 2>/dev/null | grep -q '='; do
        tries=$((tries + 1))
        [ $tries -lt 100 ] || fail "Openbox did not start: $(cat "$work/openbox.log")"
        sleep 0.1
    done
    set -- $(xprop -root _NET_WORKAREA | sed 's/.*= //; s/,//g')
    area_x=$1 area_y=$2 area_w=$3 area_h=$4
}
