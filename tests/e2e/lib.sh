# Shared by the end-to-end scripts: a private X server (and window manager) per test.
# Usage: source lib.sh; start_display [with-wm]; ...; the trap stops everything.

start_display() {
    local with_wm=${1:-}
    # The server picks a free display number itself and writes it to fd 3 once it accepts clients.
    # -noreset: a server that resets when its last client leaves refuses whoever connects meanwhile.
    DISPLAY_FILE=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$DISPLAY_FILE" >/dev/null 2>&1 &
    XVFB_PID=$!
    trap stop_display EXIT
    for _ in $(seq 1200); do
        [ -s "$DISPLAY_FILE" ] && break
        sleep 0.05
    done
    [ -s "$DISPLAY_FILE" ] || fail "Xvfb did not start"
    export DISPLAY=:$(head -n 1 "$DISPLAY_FILE")
    if [ "$with_wm" = with-wm ]; then
        openbox >/dev/null 2>&1 &
        WM_PID=$!
        for _ in $(seq 1200); do
            xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
            sleep 0.05
        done
        fail "openbox did not start"
    fi
}

stop_display() {
    [ -n "${APP_PID:-}" ] && kill $APP_PID 2>/dev/null
    [ -n "${WM_PID:-}" ] && kill $WM_PID 2>/dev/null
    [ -n "${XVFB_PID:-}" ] && kill $XVFB_PID 2>/dev/null
    wait 2>/dev/null
    [ -n "${DISPLAY_FILE:-}" ] && rm -f "$DISPLAY_FILE"
    return 0
}

# Prints the id of the first visible window with exactly this name, waiting up to 60 s.
wait_window() {
    local name=$1 id=""
    for _ in $(seq 1200); do
        id=$(xdotool search --onlyvisible --name "^$name\$" 2>/dev/null | head -n 1)
        [ -n "$id" ] && break
        sleep 0.05
    done
    echo "$id"
}

# Waits until a line matching the pattern appears in the file (up to 60 s).
wait_line() {
    local file=$1 pattern=$2
    for _ in $(seq 1200); do
        grep -q -E "$pattern" "$file" && return 0
        sleep 0.05
    done
    echo "timed out waiting for '$pattern' in $file" >&2
    cat "$file" >&2
    return 1
}

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
