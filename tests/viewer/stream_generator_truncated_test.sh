#!/bin/bash
# The stream generator fed include files cut short, as a copy interrupted or a disk that filled
# up leaves them: each gives a warning or an error naming the file, never a crash.
# Usage: stream_generator_truncated_test.sh GENERATOR WORK_FOLDER
set -u
generator=$1
work=$2
rm -rf "$work" && mkdir -p "$work" || exit 1
failures=0

# A 2 x 1 picture exactly as the converter writes it, line by line.
label=$'pic_bi:\r\n'
size=$'Data 2\r\nData 1\r\n'
first=$'Data 255, 255, 0,0\r\n'
last=$'Data 255, 0, 0,255\r\n'

# run NAME STATUS [MESSAGE...]: the generator, given NAME.bi, exits with STATUS, its messages
# name the file and hold every MESSAGE (there are none when none is given), and a stream is
# written exactly when it succeeds.
run() {
    local name=$1 want_status=$2
    shift 2
    "$generator" "$work/$name.bi" "$work/$name.stream" 2>"$work/$name.messages"
    local status=$?
    local messages
    messages=$(cat "$work/$name.messages")
    local problem=
    if [ "$status" -ne "$want_status" ]; then
        problem="exit status $status, expected $want_status"
    elif [ $# -eq 0 ] && [ -n "$messages" ]; then
        problem="unexpected messages"
    elif [ "$status" -eq 0 ] && [ ! -f "$work/$name.stream" ]; then
        problem="no stream written"
    elif [ "$status" -ne 0 ] && [ -e "$work/$name.stream" ]; then
        problem="a stream written despite the error"
    fi
    for want in "$@"; do
        [[ "$messages" == *"$work/$name.bi"*"$want"* ]] || problem="the messages lack \"$want\""
    done
    if [ -n "$problem" ]; then
        echo "FAIL $name: $problem; messages: $messages"
        failures=$((failures + 1))
    fi
}

# check NAME CONTENT STATUS [MESSAGE...]: run on a file holding CONTENT.
check() {
    printf '%s' "$2" >"$work/$1.bi"
    local name=$1
    shift 2
    run "$name" "$@"
}

no_line_end="warning: the last line has no line end; the file may be cut short"
check whole "$label$size$first$last" 0
if [ "$(cat "$work/whole.stream")" != $'2\n1\n255,255,0,0\n255,0,0,255' ]; then
    echo "FAIL whole: stream $(od -c "$work/whole.stream")"
    failures=$((failures + 1))
fi
check zero_bytes "" 0 "warning: the file is empty" \
    "warning: 0 values, but width 0 and height 0 call for 2"
check mid_label "pic_" 1 \
    ':1: error: expected a label (a name followed by ":"), a "Data" line or a blank line, found "pic_"'
check after_label "$label" 0 "warning: 0 values, but width 0 and height 0 call for 2"
check mid_keyword "${label}Da" 1 ':2: error: expected a label'
check after_keyword "${label}Data" 0 "$no_line_end"
check at_a_line_end "$label$size$first" 0 "warning: 6 values, but width 2 and height 1 call for 10"
check mid_line "$label$size${first}Data 255, 0" 0 "$no_line_end" \
    "warning: 8 values, but width 2 and height 1 call for 10"
# The last value cut: the count still fits, only the missing line end tells.
check mid_last_value "$label$size${first}Data 255, 0, 0,25" 0 "$no_line_end"
check empty_last_value "$label$size${first}Data 255, 0, 0," 0 "$no_line_end"
check before_last_line_feed "$label$size${first}Data 255, 0, 0,255"$'\r' 0 "$no_line_end"

# The end lost and its space left as zero bytes, as a crash can leave a file: inside a line the
# zeros end the last value, on a line of their own they are no line of any known kind.
{ printf '%s' "$label$size${first}Data 2"; head -c 14 /dev/zero; } >"$work/zeros_in_line.bi"
run zeros_in_line 0 "$no_line_end" "warning: 7 values, but width 2 and height 1 call for 10"
{ printf '%s' "$label$size$first"; head -c 20 /dev/zero; } >"$work/zeros_after_line.bi"
run zeros_after_line 1 ':5: error: expected a label (a name followed by ":"), a "Data" line or a blank line, found "\x00\x00'

[ $failures -eq 0 ] && echo "every truncated file reported"
exit $((failures > 0))
