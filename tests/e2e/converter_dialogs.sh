#!/bin/bash
# The converter's desktop dialogs in a private X server: answers of message boxes by key, and
# file choosers that start in the given folder, filter case-insensitively and return full paths.
# Usage: converter_dialogs.sh DIALOGS_PROBE SHOT_DIR   (screenshots are kept in SHOT_DIR)
set -u
PROBE=$1
SHOTS=$2
source "$(dirname "$0")/lib.sh"
mkdir -p "$SHOTS"
WORK=$(mktemp -d)
trap 'stop_display; rm -rf "$WORK"' EXIT
start_display with-wm
# No session bus here: keep GTK's settings in memory instead of warning about dconf.
export GSETTINGS_BACKEND=memory

# Runs the probe in the background; its output goes to $WORK/out.
run_probe() {
    "$PROBE" "$@" >"$WORK/out" 2>"$WORK/err" &
    APP_PID=$!
}
finish_probe() {
    for _ in $(seq 1200); do kill -0 $APP_PID 2>/dev/null || break; sleep 0.05; done
    kill -0 $APP_PID 2>/dev/null && fail "the dialog did not close"
    wait $APP_PID
    APP_PID=
}
# Waits for the dialog window, gives it the keyboard, takes a screenshot.
focus_dialog() {
    local title=$1 shot=$2 id
    id=$(wait_window "$title")
    [ -n "$id" ] || fail "no window titled '$title'"
    xdotool windowactivate --sync "$id" 2>/dev/null || xdotool windowfocus --sync "$id"
    sleep 0.5
    import -window root "$SHOTS/$shot.png"
}
expect_output() {
    local expected=$1 got
    got=$(cat "$WORK/out")
    [ "$got" = "$expected" ] || fail "expected '$expected', got '$got' ($(cat "$WORK/err"))"
}

# The overwrite question: Yes is the default button, Escape means No.
run_probe box 0x14 "This file allready exists! Overwrite?" Error
focus_dialog Error question
xdotool key Return
finish_probe
expect_output "answer 6"

run_probe box 0x14 "This file allready exists! Overwrite?" Error
focus_dialog Error question_escape
xdotool key Escape
finish_probe
expect_output "answer 7"

run_probe box 0x14 "This file allready exists! Overwrite?" Error
focus_dialog Error question_no
xdotool key Tab key Return  # from Yes to No
finish_probe
expect_output "answer 7"

# Owned by the program's window, the box stays above it (a transient window of it).
xmessage -name owner -title owner "the program's window" &
OWNER_PID=$!
OWNER=$(wait_window owner)
[ -n "$OWNER" ] || fail "no owner window"
DIALOGS_OWNER=$OWNER run_probe box 0x40 "Done!" OK
focus_dialog OK done
DIALOG=$(wait_window OK)
xprop -id "$DIALOG" WM_TRANSIENT_FOR | grep -qi "$(printf '0x%x' "$OWNER")" ||
    fail "the box is not transient for its owner: $(xprop -id "$DIALOG" WM_TRANSIENT_FOR)"
xdotool key Return
finish_probe
expect_output "answer 1"
kill $OWNER_PID

run_probe box 0x10 $'Something went wrong while loading File.\r\nMaybe the filename wasnt correct.' Error
focus_dialog Error load_failed
xdotool key Escape
finish_probe
expect_output "answer 1"

# The three-way question: No is the default; the third answer lies between No and Yes.
QUESTION="The include file will take 264.0 MB for a picture of 4000 x 3000 pixels. Write it?"
run_probe ask "$QUESTION" "Large file" "Fit 640 × 480 writes the picture shrunk." $'Fit 640 \xD7 480'
focus_dialog "Large file" three_ways
xdotool key Return
finish_probe
expect_output "answer 7"

run_probe ask "$QUESTION" "Large file" "" $'Fit 640 \xD7 480'
focus_dialog "Large file" three_ways_third
xdotool key Tab key Return  # from No to the third answer
finish_probe
expect_output "answer 8"

# A path of 20000 characters without a blank: the box stays within the screen, its path
# shortened and broken over lines.
run_probe box 0x10 "Error! Could not open output file!" Error "cannot open /$(printf 'x%.0s' $(seq 20000)): why"
focus_dialog Error long_path
WIDTH=$(xwininfo -id "$(wait_window Error)" | sed -n 's/.*Width: //p')
[ "$WIDTH" -le 1024 ] || fail "a box $WIDTH pixels wide for a long path"
xdotool key Return
finish_probe
expect_output "answer 1"

# The file-open chooser: starts in the folder, shows b.bmp and B2.BMP but not notes.txt.
mkdir -p "$WORK/pics"
touch "$WORK/pics/b.bmp" "$WORK/pics/B2.BMP" "$WORK/pics/notes.txt"
run_probe open "$WORK/pics"
focus_dialog "Datei Öffnen" open
xdotool type --delay 50 "b.bmp"
sleep 0.3
xdotool key Return
finish_probe
expect_output "chosen $WORK/pics/b.bmp"

run_probe open "$WORK/pics"
focus_dialog "Datei Öffnen" open_cancel
xdotool key Escape
finish_probe
expect_output "cancelled"

# The file-save chooser appends the default extension to a name typed without one.
run_probe save "$WORK/pics" bi
focus_dialog "Datei Speichern" save
xdotool type --delay 50 "picture"
sleep 0.3
xdotool key Return
finish_probe
expect_output "chosen $WORK/pics/picture.bi"

# Without a display the dialogs say so instead of failing or hanging.
DISPLAY= "$PROBE" box 0 text caption >"$WORK/out" 2>/dev/null
expect_output "answer 0"
DISPLAY= "$PROBE" open "$WORK" >"$WORK/out" 2>/dev/null
expect_output "unavailable"
echo "PASS"
