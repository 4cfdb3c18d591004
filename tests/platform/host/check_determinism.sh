#!/usr/bin/env bash
# check_determinism.sh WORK SCRIPTS SCRIPT PROGRAM [OPTIONS...]: copies the
# folder of scenario scripts (with their reference pictures) to WORK, so a
# failed comparison writes its pictures there rather than beside the kept
# references, then runs PROGRAM --script WORK/SCRIPT --check-determinism.
set -euo pipefail
work="$1" scripts="$2" script="$3" program="$4"
shift 4
rm -rf "$work"
mkdir -p "$work"
cp -r "$scripts/." "$work/"
exec "$program" --script "$work/$script" --check-determinism "$@"
