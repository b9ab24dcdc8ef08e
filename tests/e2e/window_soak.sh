#!/bin/bash
# Soak: 10,000 frames in the real window while pointer, keys, focus changes and the close box
# arrive at random. No deadlock, every typed key read in order, every close request seen.
# Usage: window_soak.sh SOAK_PROGRAM
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
work=$(mktemp -d)
# The storms run without a window manager: its click-to-focus handling re-asserts the focus on
# every click, and keys typed in between are lost before any program sees them.
start_display

"$1" >"$work/out" 2>"$work/err" &
APP_PID=$!
wait_line "$work/out" '^ready' || fail "soak program did not start: $(cat "$work/err")"
win=$(wait_window window_soak)
[ -n "$win" ] || fail "no window"
# Without a window manager nothing hands out the focus: set it, and make sure it took.
for _ in $(seq 100); do
    xdotool windowfocus --sync "$win" 2>/dev/null
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$win" ] && break
    sleep 0.05
done
[ "$(xdotool getwindowfocus 2>/dev/null)" = "$win" ] || fail "could not give the window the focus"
eval "$(xdotool getwindowgeometry --shell "$win")"

# Typing and pointer storms at once.
text=$(head -c 3000 /dev/urandom | tr -dc 'a-z0-9' | head -c 300)
(
    for _ in $(seq 300); do
        xdotool mousemove $((X + RANDOM % WIDTH)) $((Y + RANDOM % HEIGHT))
        case $((RANDOM % 4)) in
            0) xdotool click 1 ;;
            1) xdotool click 4 ;;
            2) xdotool mousedown 3 mouseup 3 ;;
        esac
    done
) &
storm=$!
xdotool type --delay 15 "$text"
wait $storm
focus_after=$(xdotool getwindowfocus 2>/dev/null)

# Focus changes and close requests, with a window manager to carry them out (typing stops
# meanwhile: keys would go to other windows).
openbox >/dev/null 2>&1 &
WM_PID=$!
sleep 1
closes=0
for _ in $(seq 10); do
    xdotool windowminimize --sync "$win" 2>/dev/null
    sleep 0.05
    xdotool windowactivate --sync "$win" 2>/dev/null
    xdotool key alt+F4
    closes=$((closes + 1))
    sleep 0.05
done
sleep 0.3
xdotool type '.'
for _ in $(seq 1200); do
    kill -0 $APP_PID 2>/dev/null || break
    sleep 0.1
done
if kill -0 $APP_PID 2>/dev/null; then
    fail "still running after 120 s (deadlock?): $(tail -n 3 "$work/out")"
fi
wait $APP_PID
status=$?
APP_PID=
[ $status -eq 0 ] || fail "exit status $status: $(tail -n 30 "$work/err")"
got=$(sed -n 's/^typed //p' "$work/out")
[ "$got" = "$text" ] ||
    fail "typed keys differ: sent '$text', read '$got' (focus after typing: $focus_after, window $win)"
grep -q "^closes $closes\$" "$work/out" || fail "close requests: $(grep closes "$work/out"), sent $closes"
frames=$(sed -n 's/^done //p' "$work/out")
[ "$frames" -ge 10000 ] || fail "only $frames frames"
rm -rf "$work"
echo "window soak: $frames frames, ${#text} keys and $closes close requests all arrived"
