#!/bin/sh
# Installs what is missing, builds Korvalen with AddressSanitizer and UndefinedBehaviorSanitizer
# (Debug) and runs every test. Forms are tested offscreen.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build-debug" -G Ninja -DCMAKE_BUILD_TYPE=Debug
cmake --build "$top/build-debug"
cd "$top/build-debug"
QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    LSAN_OPTIONS="suppressions=$top/scripts/lsan.supp" \
    ctest --output-on-failure -j "$(nproc)"
