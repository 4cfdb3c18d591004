#!/usr/bin/env bash
# monkey_run.sh [--twice] WORK PROGRAM DEVICE SEED EVENTS [OPTIONS...]: runs
# PROGRAM's monkey on a copy of the device root DEVICE, recording frame
# hashes; it must pass. Then replays the scenario it wrote on another fresh
# copy and checks that the replay showed the same frames. --twice: the seed
# is run once more and must make the same scenario and frames.
#
# monkey_run.sh --leak WORK PROGRAM SEED EVENTS: the monkey must catch the
# program's leak: exit 1, one line naming the growth and the scenario.
#
# monkey_run.sh --crash|--hang WORK PROGRAM: the program fails on its
# twentieth touch; the monkey must end with a line naming the event and the
# scenario, which holds that event and replays to the same failure.
set -euo pipefail
if [ "$1" = --crash ] || [ "$1" = --hang ]; then
    fault="${1#--}" work="$2" program="$3"
    rm -rf "$work" && mkdir -p "$work"
    set +e
    MONKEY_FAULT=$fault VELMOR_MONKEY_HANG_SECONDS=2 "$program" --monkey 4 --events 400 \
        --device-root "$work/device" --create-device-root --record "$work/run" >"$work/output.txt" 2>&1
    code=$?
    set -e
    cat "$work/output.txt"
    [ "$code" != 0 ] || { echo "FAIL: a $fault passed"; exit 1; }
    script="$work/run/monkey.script"
    if [ "$fault" = hang ]; then
        grep -q "monkey: the program did not answer for [0-9]* s after event [0-9]*; replay: velmor --script $script" \
            "$work/output.txt" || { echo "FAIL: no line naming the hang and the scenario"; exit 1; }
    else
        # A sanitizer reports the crash itself (the run named its scenario
        # when it started); otherwise the monkey does.
        grep -q "monkey: crashed (SIGSEGV) at event [0-9]*; replay: velmor --script $script\|AddressSanitizer: SEGV\|runtime error: store to null pointer" \
            "$work/output.txt" || { echo "FAIL: no line naming the crash"; exit 1; }
        grep -q "monkey: seed 4, 400 events; the scenario goes to $script" "$work/output.txt" ||
            { echo "FAIL: the run did not name its scenario"; exit 1; }
    fi
    # The scenario ends with the event that did it: replayed, it fails alike.
    set +e
    MONKEY_FAULT=$fault timeout 20 "$program" --script "$script" --device-root "$work/device" >"$work/replay.txt" 2>&1
    replayed=$?
    set -e
    if [ "$fault" = hang ]; then alike=$([ "$replayed" = 124 ] && echo yes); else alike=$([ "$replayed" != 0 ] && echo yes); fi
    [ "$alike" = yes ] || { echo "FAIL: the replay did not fail alike (exit $replayed)"; exit 1; }
    echo "the replay failed alike (exit $replayed)"
    exit 0
fi
if [ "$1" = --leak ]; then
    work="$2" program="$3" seed="$4" events="$5"
    rm -rf "$work" && mkdir -p "$work"
    set +e
    "$program" --monkey "$seed" --events "$events" --device-root "$work/device" --create-device-root \
        --record "$work/run" --record-frames hashes >"$work/output.txt" 2>&1
    code=$?
    set -e
    cat "$work/output.txt"
    [ "$code" = 1 ] || { echo "FAIL: a leaking program passed (exit $code)"; exit 1; }
    grep -q "monkey: FAILED at event [0-9]*: GDI objects grew from [0-9]* to [0-9]* (above [0-9]* since event [0-9]*); replay: velmor --script $work/run/monkey.script" "$work/output.txt" ||
        { echo "FAIL: no line naming the growth and the scenario"; exit 1; }
    grep -q "^tap\|^press\|^doubletap" "$work/run/monkey.script" || { echo "FAIL: the scenario has no touches"; exit 1; }
    exit 0
fi
twice=no
if [ "$1" = --twice ]; then
    twice=yes
    shift
fi
work="$1" program="$2" device="$3" seed="$4" events="$5"
shift 5
rm -rf "$work" && mkdir -p "$work"
cp -r "$device" "$work/device"
cp -r "$device" "$work/device-replay"
cp -r "$device" "$work/device-again"
"$program" --monkey "$seed" --events "$events" --device-root "$work/device" --record "$work/run" \
    --record-frames hashes "$@" 2>&1 | tee "$work/output.txt"
grep -q "monkey: .* the program answered after every event" "$work/output.txt" ||
    { echo "FAIL: the monkey did not report a clean run"; exit 1; }
"$program" --script "$work/run/monkey.script" --device-root "$work/device-replay" --record "$work/replay" \
    --record-frames hashes "$@"
cmp "$work/run/frames.txt" "$work/replay/frames.txt" || { echo "FAIL: the replay showed other frames"; exit 1; }
echo "replayed $(wc -l <"$work/run/frames.txt") frames alike"
if [ "$twice" = yes ]; then
    # The same seed on the same phone makes the same run.
    "$program" --monkey "$seed" --events "$events" --device-root "$work/device-again" --record "$work/again" \
        --record-frames hashes "$@"
    # Past the header, which names the file itself.
    cmp <(tail -n +3 "$work/run/monkey.script") <(tail -n +3 "$work/again/monkey.script") ||
        { echo "FAIL: the seed made other events"; exit 1; }
    cmp "$work/run/frames.txt" "$work/again/frames.txt" || { echo "FAIL: the seed showed other frames"; exit 1; }
    echo "the seed ran alike twice"
fi
