#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: once in the ordinary build, and once built
# with the address and undefined-behaviour sanitizers, which catch what a passing test can hide
# (reads past a buffer, use after free, overflow). KESTRAME_QUICK=1 skips the sanitizer run.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
export QT_QPA_PLATFORM=offscreen

scripts/build.sh
(cd build && ctest --output-on-failure --parallel "$(nproc)" --timeout 600)

if [ "${KESTRAME_QUICK:-0}" != 1 ]; then
    BUILD_DIR=build-sanitize scripts/build.sh -DCMAKE_BUILD_TYPE=Debug -DKESTRAME_SANITIZE=ON
    (cd build-sanitize && ctest --output-on-failure --parallel "$(nproc)" --timeout 900)
fi
