#!/usr/bin/env bash
# --help and --version answer on a console with no window system at all: no display, no
# Wayland, no platform named.
set -euo pipefail
program="$1"
version="$2"
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

for request in "--help:Usage: " "-h:Usage: " "--help-all:Usage: " "--version:Brindlex $version" "-v:Brindlex $version"; do
    option="${request%%:*}"
    expected="${request#*:}"
    status=0
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" "$option" > "$out" 2> "$err" ||
        status=$?
    if [[ $status -ne 0 ]] || ! grep -qF -- "$expected" "$out" || [[ -s "$err" ]]; then
        echo "$option: exit $status, output:" >&2
        cat "$out" "$err" >&2
        exit 1
    fi
done
echo "command line ok"
