#!/usr/bin/env bash
# Measures what an idle window costs: starts velmor in a window on a private
# Xvfb, lets it settle, and reads the process's CPU time from /proc before
# and after SECONDS of idling. A measurement, not a test: run it by hand.
#   tests/platform/host/idle_window_cpu.sh build/dev/velmor [SECONDS] [velmor options...]
# e.g. with --home for the home screen, which only the task bar's minute wakes.
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
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
before=$(ticks)
start=$(date +%s.%N)
sleep "$seconds"
after=$(ticks)
end=$(date +%s.%N)
hz=$(getconf CLK_TCK)
awk -v t="$((after - before))" -v hz="$hz" -v s="$start" -v e="$end" 'BEGIN {
    printf "idle window: %d ms of CPU over %.1f s = %.3f %% of a core\n", t * 1000 / hz, e - s, t / hz / (e - s) * 100 }'
kill "$pid"
wait "$pid" 2>/dev/null
kill "$xvfb"
wait "$xvfb" 2>/dev/null
