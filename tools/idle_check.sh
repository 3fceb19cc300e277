#!/usr/bin/env bash
# Measures the program at rest: starts it on a display of its own (Xvfb)
# against the virtual wren, waits for the first Receive All to end, then
# measures the program list for a while, switches to the editor and measures
# again. A measurement, not a test: it only prints, per view,
#   idle-VIEW wakeups_per_s W cpu_percent C
# where W counts the message thread's sleeps that ended (its voluntary context
# switches) and C is the whole program's CPU time against the wall time.
#
#   tools/idle_check.sh [path to vr-soundeditor, default build/release/bin/vr-soundeditor] [seconds, default 20]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
app=${1:-$top/build/release/bin/vr-soundeditor}
seconds=${2:-20}
[ -x "$app" ] || {
    echo "idle_check: no program at $app (build Release first)" >&2
    exit 1
}

out=$(mktemp -d)
log="$out/program.log"
check=idle_check

# A display of its own: Xvfb names the number it took.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$out/display" 2>"$out/xvfb.log" &
xvfb=$!
pid=
trap 'kill $pid $xvfb 2>/dev/null || true; rm -rf "$out"' EXIT
for _ in $(seq 1 50); do
    [ -s "$out/display" ] && break
    sleep 0.1
done
DISPLAY=:$(head -n 1 "$out/display")
export DISPLAY
source "$top/tests/e2e/window_steps.sh"

VR_ALLOW_MULTIPLE_INSTANCES=1 VR_TRACE_STEPS=1 "$app" >"$log" 2>&1 &
pid=$!

WID=$(wait_for_window "VORANTE wren & heron SoundEditor")
sleep 1
# Inside the window: 1-pixel frame, 22-pixel title bar and 22-pixel menu bar
# above the main component. The setup panel's OK button is at 402, 340 in it
# (the virtual wren is preselected when no device is there).
click_main() { xdotool mousemove --window "$WID" $(($1 + 1)) $(($2 + 45)) click 1; }
# The pointer rests outside the window, so nothing under it is hovered.
rest_pointer() { xdotool mousemove 1020 760; }
click_main 402 340
for _ in $(seq 1 300); do
    grep -q '^vr-step 4' "$log" && break
    sleep 0.1
done
grep -q '^vr-step 4' "$log" || fail "the first Receive All did not end"

ticks_per_s=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
wakeups() { awk '/^voluntary_ctxt_switches/ { print $2 }' "/proc/$pid/task/$pid/status"; }

measure() {
    rest_pointer
    sleep 2 # what the last input started settles
    local c0 w0 c1 w1
    c0=$(cpu_ticks)
    w0=$(wakeups)
    sleep "$seconds"
    c1=$(cpu_ticks)
    w1=$(wakeups)
    kill -0 "$pid" 2>/dev/null || fail "the program ended"
    awk -v view="$1" -v w=$((w1 - w0)) -v c=$((c1 - c0)) -v s="$seconds" -v hz="$ticks_per_s" \
        'BEGIN { printf "idle-%s wakeups_per_s %.1f cpu_percent %.2f\n", view, w / s, 100 * c / hz / s }'
}

measure library
click_main 220 161 # the editor's mode button
measure editor
