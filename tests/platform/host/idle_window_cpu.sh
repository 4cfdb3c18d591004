#!/usr/bin/env bash
# Measures what an idle window costs: starts velmor in a window on a private
# Xvfb, lets it settle, and reads the CPU time of all the process's threads
# (/proc/PID/task/*/schedstat, in nanoseconds) before and after SECONDS of
# idling. A measurement, not a test: run it by hand.
#   tests/platform/host/idle_window_cpu.sh build/dev/velmor [SECONDS] [velmor options...]
# e.g. with --home for the home screen, which only the task bar's minute wakes.
# With ACROSS_MINUTE=1 the span starts two seconds before the host clock's
# next minute, so it holds exactly one change of the task bar's clock.
set -u
velmor=$1
seconds=${2:-20}
shift $(($# < 2 ? $# : 2))
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -1 "$work/display")"
unset SDL_VIDEODRIVER WAYLAND_DISPLAY
"$velmor" --window --create-device-root --device-root "$work/root" "$@" >"$work/output.txt" 2>&1 &
pid=$!
sleep 6
cpu_ns() { cat /proc/"$pid"/task/*/schedstat 2>/dev/null | awk '{ sum += $1 } END { printf "%d", sum }'; }
if [ "${ACROSS_MINUTE:-0}" = 1 ]; then
    # Far enough from the minute that the span cannot hold two.
    wait_s=$(awk -v now="$(date +%s.%N)" 'BEGIN { w = 60 - (now % 60) - 2; if (w < 0) w += 60; printf "%.3f", w }')
    sleep "$wait_s"
fi
before=$(cpu_ns)
start=$(date +%s.%N)
sleep "$seconds"
after=$(cpu_ns)
end=$(date +%s.%N)
awk -v t="$((after - before))" -v s="$start" -v e="$end" 'BEGIN {
    printf "idle window: %.1f ms of CPU over %.1f s = %.3f %% of a core\n", t / 1e6, e - s, t / 1e9 / (e - s) * 100 }'
kill "$pid"
wait "$pid" 2>/dev/null
kill "$xvfb"
wait "$xvfb" 2>/dev/null
