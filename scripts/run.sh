#!/usr/bin/env bash
# Installs what is needed, builds, and starts Kestrame on the example planogram. Arguments go to the
# program instead (a planogram file to open).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/build.sh

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Kestrame needs a display, and none was found (DISPLAY and WAYLAND_DISPLAY are empty)." >&2
    echo "To run it on a virtual display: xvfb-run -a scripts/run.sh" >&2
    exit 1
fi
if [ $# -eq 0 ]; then
    set -- "build/src/app/Examples/Sample Wall.kqf"
fi
exec build/src/app/kestrame "$@"
