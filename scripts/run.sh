#!/usr/bin/env bash
# Installs what is needed, builds, and starts Kestrame on the example planogram. Arguments go to the
# program instead (a planogram file to open). Without a display it starts the program on a virtual
# one, which the setup installs.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/build.sh

if [ $# -eq 0 ]; then
    set -- "build/src/app/Examples/Sample Wall.kqf"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found (DISPLAY and WAYLAND_DISPLAY are empty): starting Kestrame on a virtual one (xvfb-run -a)." >&2
    exec xvfb-run -a build/src/app/kestrame "$@"
fi
exec build/src/app/kestrame "$@"
