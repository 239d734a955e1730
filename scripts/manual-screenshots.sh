#!/bin/sh
# Takes the screenshots of the user manual (doc/manual/images) with the demo maps, under a
# virtual display. Needs xvfb (scripts/install-deps.sh --dev) and a build in build/ or $1.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
cmake --build "$build" -t korvalen-screenshots
LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}" \
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x900x24" \
    "$build/korvalen-screenshots" "$root/demo" "$root/doc/manual/images"
# 256 colours are plenty for screenshots and keep the repository small.
if command -v convert >/dev/null 2>&1; then
    for image in "$root"/doc/manual/images/*.png; do
        convert "$image" -dither None -colors 256 "PNG8:$image"
    done
fi
