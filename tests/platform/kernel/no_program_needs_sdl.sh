#!/bin/bash
# Fails when a program names libSDL2 among the libraries it needs at start:
# SDL is loaded only by the first call into it.
status=0
for program in "$@"; do
    if ! dynamic=$(readelf -d "$program"); then
        echo "cannot read $program"
        status=1
    elif grep -q "NEEDED.*libSDL2" <<<"$dynamic"; then
        echo "$program needs libSDL2 at start"
        status=1
    fi
done
exit $status
