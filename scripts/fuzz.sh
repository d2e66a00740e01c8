#!/usr/bin/env bash
# Builds the libFuzzer targets with clang under the address and undefined-behaviour sanitizers into
# build-fuzz/, and runs each for a number of seconds on a scratch copy of its seeds in
# tests/data/fuzz/<target>/ (the committed seeds stay as they are). It prints each target's
# executions and coverage, and exits non-zero when a target finds a crash, a leak, undefined
# behaviour or a hang, keeping the input that did it in build-fuzz/findings/<target>/.
#     scripts/fuzz.sh [SECONDS] [TARGET...]    seconds per target: argument, $KESTRAME_FUZZ_SECONDS or 60
#     scripts/fuzz.sh --build-only             builds the targets without running them
set -euo pipefail
cd "$(dirname "$0")/.."

build_only=0
if [ "${1:-}" = --build-only ]; then
    build_only=1
    shift
fi
seconds="${KESTRAME_FUZZ_SECONDS:-60}"
if [[ "${1:-}" =~ ^[0-9]+$ ]]; then
    seconds="$1"
    shift
fi

scripts/setup.sh fuzz
BUILD_DIR=build-fuzz BUILD_TARGETS=kestrame_fuzz_targets scripts/build.sh \
    -DCMAKE_CXX_COMPILER=clang++-14 -DKESTRAME_FUZZ=ON -DKESTRAME_TESTS=OFF
[ $build_only = 1 ] && exit 0

mapfile -t known <build-fuzz/fuzz/targets.txt
targets=("${known[@]}")
if [ $# -gt 0 ]; then
    targets=("$@")
fi
for target in "${targets[@]}"; do
    if ! printf '%s\n' "${known[@]}" | grep -qxF "$target"; then
        echo "No fuzz target $target; there are: ${known[*]}" >&2
        exit 2
    fi
done

# Readers of text files take whole files, far longer than libFuzzer's default limit; 0 lets libFuzzer
# size the others from their seeds.
max_len()
{
    case "$1" in
    fuzz_text_catalog | fuzz_planogram | fuzz_settings | fuzz_keyval | fuzz_text_readers) echo 262144 ;;
    *) echo 0 ;;
    esac
}

# Runs one target; its output goes to build-fuzz/logs/<target>.log, its status is libFuzzer's.
run_target()
{
    local target="$1" corpus="build-fuzz/corpus/$1" findings="build-fuzz/findings/$1"
    rm -rf "$corpus"
    mkdir -p "$corpus" "$findings" build-fuzz/logs
    if [ -d "tests/data/fuzz/$target" ]; then
        cp tests/data/fuzz/"$target"/* "$corpus"/
    fi
    local status=0
    "build-fuzz/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 -max_len="$(max_len "$target")" \
        -rss_limit_mb=2500 -timeout=30 -artifact_prefix="$findings/" "$corpus" >"build-fuzz/logs/$target.log" 2>&1 &
    local pid=$!
    wait $pid || status=$?
    # The targets that read through files write them in the temporary folder under their process id.
    rm -f /tmp/kestrame-fuzz-*-"$pid".*
    return $status
}

# The last "cov: N ft: N" of libFuzzer's status lines and its final statistics, as one table row.
summary_row()
{
    local log="$1"
    local executions speed coverage features
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    features=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    printf '%-10s %-10s %-10s %-10s' "${executions:--}" "${speed:--}" "${coverage:--}" "${features:--}"
}

export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
failed=()
rows=()
for target in "${targets[@]}"; do
    echo "Fuzzing $target for $seconds s"
    result=ok
    if ! run_target "$target"; then
        failed+=("$target")
        result="FOUND: $(sed -n 's/.*Test unit written to //p' "build-fuzz/logs/$target.log" | tail -1)"
        tail -n 60 "build-fuzz/logs/$target.log" >&2
    fi
    rows+=("$(printf '%-20s ' "$target")$(summary_row "build-fuzz/logs/$target.log") $result")
done

echo
printf '%-20s %-10s %-10s %-10s %-10s %s\n' target executions exec/s edges features result
printf '%s\n' "${rows[@]}"
if [ ${#failed[@]} -gt 0 ]; then
    echo "Findings in: ${failed[*]} (inputs in build-fuzz/findings/, logs in build-fuzz/logs/)" >&2
    exit 1
fi
