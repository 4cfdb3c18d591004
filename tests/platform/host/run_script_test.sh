#!/usr/bin/env bash
# scripts/run on a stand-in tree: bootstrap, cmake and velmor are stubs, the
# last one printing the folder it runs in and its arguments. Checks that the
# caller's folder is kept and the caller's options are never overridden.
set -euo pipefail
source_script="$1"
tree="$(mktemp -d)"
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/scripts" "$tree/build/release" "$tree/bin" "$tree/elsewhere"
cp "$source_script" "$tree/scripts/run"
printf '#!/bin/sh\nexit 0\n' >"$tree/scripts/bootstrap"
printf '#!/bin/sh\nexit 0\n' >"$tree/bin/cmake"
printf '#!/bin/sh\necho "cwd=$(pwd)"\nfor a in "$@"; do echo "arg=$a"; done\n' >"$tree/build/release/velmor"
chmod +x "$tree/scripts/run" "$tree/scripts/bootstrap" "$tree/bin/cmake" "$tree/build/release/velmor"

run() { (cd "$tree/elsewhere" && env -u DISPLAY -u WAYLAND_DISPLAY PATH="$tree/bin:$PATH" "$tree/scripts/run" "$@" 2>/dev/null); }
fail() { echo "FAILED: $*" >&2; exit 1; }

out="$(run --script s.txt)"
grep -qx "cwd=$tree/elsewhere" <<<"$out" || fail "the caller's folder was not kept: $out"
grep -qx "arg=s.txt" <<<"$out" || fail "the relative script path was changed: $out"
grep -qx "arg=$tree/build/run" <<<"$out" || fail "a headless run without --record does not record into build/run: $out"

# The user's --record, before or after --headless, is the only one.
for order in "--record mine --headless" "--headless --record mine" "--record=mine --headless"; do
    # shellcheck disable=SC2086
    out="$(run $order)"
    [ "$(grep -c '^arg=--record' <<<"$out")" = 1 ] || fail "--record given twice for '$order': $out"
    grep -q "$tree/build/run" <<<"$out" && fail "build/run overrides the user's --record for '$order': $out"
done
out="$(run --check-determinism --script s.txt)"
grep -q "build/run" <<<"$out" && fail "the determinism check was given a recording of its own: $out"
echo "scripts/run keeps the caller's folder and options"
