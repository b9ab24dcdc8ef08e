#!/bin/bash
# How much processor time the converter takes while it idles at 60 frames per second.
#
# Usage: converter_idle_cpu.sh CONVERTER [SECONDS]   (default 10 seconds; the goal is <= 2 % of one core)
#
# Starts the converter in its own Xvfb, leaves it alone for a second, then reads the run time of
# each of its threads (/proc/.../schedstat, nanoseconds) before and after the measured span and
# prints their share of one core. The program's thread sleeps once per frame, so its count of
# voluntary context switches over the span shows the frame rate it kept.
set -eu
CONVERTER=$1
SECONDS_MEASURED=${2:-10}
source "$(dirname "$0")/../tests/e2e/lib.sh"
start_display
export GSETTINGS_BACKEND=memory
xdotool mousemove 0 0
"$CONVERTER" 2>/dev/null &
APP_PID=$!
[ -n "$(wait_window converter)" ] || fail "no converter window"
sleep 1

# "tid runtime_ns voluntary_switches" for every thread of the converter.
sample() {
    for task in /proc/$APP_PID/task/*; do
        echo "${task##*/} $(cut -d' ' -f1 "$task/schedstat") \
$(awk '/^voluntary_ctxt_switches/ {print $2}' "$task/status")"
    done
}
before=$(sample)
sleep "$SECONDS_MEASURED"
after=$(sample)
kill -0 $APP_PID 2>/dev/null || fail "the converter ended during the measurement"

join <(sort <<<"$before") <(sort <<<"$after") |
    awk -v main=$APP_PID -v span="$SECONDS_MEASURED" '
    {
        cpu = ($4 - $2) / 1e9 / span * 100
        total += cpu
        name = $1 == main ? "program thread" : "thread " $1
        printf "  %-16s %6.2f %% of one core, %5.1f sleeps per second\n", name, cpu, ($5 - $3) / span
    }
    END { printf "converter idle: %.2f %% of one core over %d s (goal: at most 2 %%)\n", total, span }'
