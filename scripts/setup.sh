#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need. Safe to run again:
# it only asks apt when something is missing.
set -euo pipefail

packages=(
    # build
    g++ cmake ninja-build ccache pkg-config
    # libraries
    qt6-base-dev libjpeg62-turbo-dev zlib1g-dev libfreetype-dev libfontconfig-dev
    # fonts metric-compatible with the ones planograms name
    fonts-liberation2
    # tests
    libgtest-dev libgmock-dev googletest locales-all
    # outside tools that judge our output in tests
    netpbm imagemagick libjpeg-turbo-progs qpdf poppler-utils fonttools libtiff-tools python3-pil
    # running the program without a display
    xvfb xauth
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
