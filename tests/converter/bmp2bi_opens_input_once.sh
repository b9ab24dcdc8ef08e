#!/bin/bash
# One conversion opens its picture once and reads its first bytes once: the probe that sets the
# picture's memory aside and the load that follows share the open file and what it read.
# Usage: bmp2bi_opens_input_once.sh BMP2BI WORK_FOLDER PICTURE...
set -u
bmp2bi=$1
work=$2
shift 2
if ! command -v strace >/dev/null; then
    echo "FAIL: strace is not installed (make deps installs it); the opens cannot be counted"
    exit 1
fi
if ! refusal=$(strace -o /dev/null true 2>&1); then
    echo "FAIL: strace cannot trace a program here: $refusal"
    exit 1
fi
rm -rf "$work" && mkdir -p "$work" || exit 1
failures=0
for picture in "$@"; do
    name=$(basename "$picture")
    cp "$picture" "$work/$name" || exit 1
    # Only the calls on the picture: -P follows its descriptor too. A sanitised build's leak check
    # cannot run under a tracer, and is not what is counted here.
    (cd "$work" && ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
        strace -f -o trace -P "$name" -e trace=openat,pread64 "$bmp2bi" -q -f "$name" 2>messages)
    status=$?
    opens=$(grep -c 'openat(' "$work/trace")
    heads=$(grep -c 'pread64(.*, 0) = ' "$work/trace")
    if [ "$status" -ne 0 ] || [ "$opens" -ne 1 ] || [ "$heads" -ne 1 ]; then
        echo "FAIL: $name: exit status $status, opened $opens times, first bytes read $heads times"
        cat "$work/messages" "$work/trace"
        failures=$((failures + 1))
    fi
done
[ "$failures" -eq 0 ] && echo "every picture opened once, its first bytes read once"
exit $((failures > 0))
