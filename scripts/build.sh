#!/usr/bin/env bash
# Configures and builds into $BUILD_DIR (default build/; RelWithDebInfo unless told otherwise), with
# Ninja when present. Extra arguments go to cmake on every configure, so that a folder made earlier
# never builds without them (cmake does next to nothing when they are unchanged). $BUILD_TARGETS,
# when set, names the targets to build instead of all.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${BUILD_DIR:-build}"

generator=()
if [ ! -f "$build_dir/CMakeCache.txt" ] && command -v ninja >/dev/null 2>&1; then
    generator=(-G Ninja)
fi
cmake -S . -B "$build_dir" "${generator[@]}" "$@"

targets=()
if [ -n "${BUILD_TARGETS:-}" ]; then
    read -r -a names <<<"$BUILD_TARGETS"
    targets=(--target "${names[@]}")
fi
cmake --build "$build_dir" --parallel "$(nproc)" "${targets[@]}"
