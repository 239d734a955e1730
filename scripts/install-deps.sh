#!/bin/sh
# Installs the Debian 12 packages Korvalen needs to build, test and run, but only those
# that are not there yet. Works as root or as a user with sudo.
set -eu

packages="cmake ninja-build g++ pkg-config git
qt6-base-dev qt6-qpa-plugins libgl1-mesa-dev fonts-dejavu-core
libjpeg62-turbo-dev libfftw3-dev libpng-dev libsqlite3-dev libcurl4-openssl-dev
libgtest-dev libgmock-dev googletest libbenchmark-dev
imagemagick libjpeg-turbo-progs"

# Extra packages for a developer's tools (fuzzing, screenshots, GDAL reading our calibration
# files back in tests): scripts/install-deps.sh --dev
if [ "${1:-}" = "--dev" ]; then
    packages="$packages clang libclang-rt-14-dev xvfb xauth gdal-bin"
fi

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

if [ -z "$missing" ]; then
    echo "All packages are installed."
    exit 0
fi

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
    as_root=""
elif command -v sudo >/dev/null 2>&1; then
    as_root="sudo"
else
    echo "Please run as root or install sudo; missing packages:$missing" >&2
    exit 1
fi
$as_root apt-get update
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y --no-install-recommends $missing
