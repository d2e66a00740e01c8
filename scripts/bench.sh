#!/usr/bin/env bash
# Installs Google Benchmark and what the benchmarks measure against, builds the benchmarks into
# build-bench/ (RelWithDebInfo, as the program is built), runs every one, and prints for each
# comparison our time, the other implementation's and their ratio (scripts/bench_report.py).
# Arguments go to every benchmark, e.g. --benchmark_filter=Targa.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh bench
BUILD_DIR=build-bench BUILD_TARGETS=kestrame_benchmarks scripts/build.sh -DKESTRAME_BENCH=ON -DKESTRAME_TESTS=OFF

export QT_QPA_PLATFORM=offscreen
results=build-bench/results
rm -rf "$results"
mkdir -p "$results"
mapfile -t benchmarks <build-bench/bench/benchmarks.txt
for benchmark in "${benchmarks[@]}"; do
    echo "Running $benchmark"
    # Three runs each, of which the report takes the median: the machine is shared.
    if ! "build-bench/bench/$benchmark" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
        --benchmark_out="$results/$benchmark.json" --benchmark_out_format=json "$@" >"$results/$benchmark.txt" 2>&1; then
        cat "$results/$benchmark.txt" >&2
        exit 1
    fi
done
/usr/bin/python3 scripts/bench_report.py "$results"/*.json
