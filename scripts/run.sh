#!/bin/sh
# Installs what is missing, builds Korvalen (Release) and starts it.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVALEN_TESTS=OFF
cmake --build "$top/build-release"
exec "$top/build-release/korvalen" "$@"
