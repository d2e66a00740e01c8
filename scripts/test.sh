#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: once in the ordinary build, and once built
# with the address and undefined-behaviour sanitizers, which catch what a passing test can hide
# (reads past a buffer, use after free, overflow). Where clang and libFuzzer are installed
# (`scripts/setup.sh fuzz`, which CI runs), it also builds the fuzz targets, without running them, so
# that they keep compiling. KESTRAME_QUICK=1 skips the sanitizer run and the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
export QT_QPA_PLATFORM=offscreen

# A test that takes longer than this hangs: none comes near it, even under the sanitizers.
timeout=120

scripts/build.sh
(cd build && ctest --output-on-failure --parallel "$(nproc)" --timeout $timeout)

if [ "${KESTRAME_QUICK:-0}" != 1 ]; then
    if scripts/setup.sh --check fuzz; then
        scripts/fuzz.sh --build-only
    else
        echo "The fuzz targets are not built: clang and libFuzzer are missing (scripts/setup.sh fuzz)."
    fi

    BUILD_DIR=build-sanitize scripts/build.sh -DCMAKE_BUILD_TYPE=Debug -DKESTRAME_SANITIZE=ON
    (cd build-sanitize && ctest --output-on-failure --parallel "$(nproc)" --timeout $timeout)
fi
