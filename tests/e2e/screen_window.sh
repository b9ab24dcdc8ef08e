#!/bin/bash
# The screen layer in a real window: title and size, the presented frame pixel for pixel, and
# pointer, held keys, typed keys and the close box as the program sees them.
# Usage: screen_window.sh PROBE FONT.txt
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
probe=$1
font=$2
work=$(mktemp -d)
start_display with-wm

"$probe" >"$work/out" 2>"$work/err" &
APP_PID=$!
wait_line "$work/out" '^ready' || fail "probe did not start: $(cat "$work/err")"
win=$(wait_window screen_probe)
[ -n "$win" ] || fail "no window titled screen_probe"
xwininfo -id "$win" >"$work/info"
grep -q 'Width: 640' "$work/info" || fail "width: $(grep Width "$work/info")"
grep -q 'Height: 480' "$work/info" || fail "height: $(grep Height "$work/info")"
x=$(awk '/Absolute upper-left X/ {print $4}' "$work/info")
y=$(awk '/Absolute upper-left Y/ {print $4}' "$work/info")

# The pointer must be outside the window for a clean shot; then compare every pixel.
xdotool mousemove 1020 760
sleep 0.3
import -window root "$work/shot.png"
"$here/expected_probe_frame.py" "$work/shot.png" "$x" "$y" "$font" || fail "frame differs"

xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win"
xdotool mousemove $((x + 30)) $((y + 40))
wait_line "$work/out" '^mouse 30 40 0 0$' || fail "pointer position"
xdotool mousedown 1
wait_line "$work/out" '^mouse 30 40 0 1$' || fail "left button"
xdotool mouseup 1
xdotool click 5
wait_line "$work/out" '^mouse 30 40 -1 0$' || fail "wheel down"
xdotool mousemove 1020 760
wait_line "$work/out" '^mouse -1 -1 -1 -1$' || fail "pointer leaving"
xdotool mousemove $((x + 30)) $((y + 40))
xdotool keydown Escape
wait_line "$work/out" '^escape down$' || fail "Escape held"
xdotool keyup Escape
wait_line "$work/out" '^escape up$' || fail "Escape released"
xdotool type --delay 50 'aZ'
xdotool key Up BackSpace F1 ctrl+b
wait_line "$work/out" '^key 97$' || fail "typed a"
wait_line "$work/out" '^key 90$' || fail "typed Z"
wait_line "$work/out" '^key 255 72$' || fail "Up arrow"
wait_line "$work/out" '^key 8$' || fail "Backspace"
wait_line "$work/out" '^key 255 59$' || fail "F1"
wait_line "$work/out" '^key 2$' || fail "Ctrl+B"
xdotool key alt+F4   # the window manager turns this into the close box's request
wait_line "$work/out" '^key 255 107$' || fail "close request"
kill -0 $APP_PID 2>/dev/null || fail "the close box ended the program"
xdotool type --delay 50 q
wait $APP_PID
status=$?
APP_PID=
[ $status -eq 0 ] || fail "probe exit status $status: $(tail -n 30 "$work/err")"
rm -rf "$work"
echo "screen window: all checks passed"
