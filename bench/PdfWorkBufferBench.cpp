// Content-stream writing: 100,000 path operators through the work buffer, then Flate; and our real
// formatting against the C library's "%.3f" on the same values.
#include "pdf/PdfDeviceWorkBuffer.h"
#include "pdf/Pdfzlib.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr int Operators = 100000;

std::vector<double> Coordinates()
{
    std::mt19937 random(11);
    std::uniform_real_distribution<double> coordinate(-50.0, 900.0);
    std::vector<double> values(2 * Operators);
    for (double& value : values)
        value = coordinate(random);
    return values;
}

void WritePath(TPdfDeviceWorkBuffer& buffer, const std::vector<double>& values)
{
    for (int i = 0; i < Operators; ++i) {
        buffer.AppendFloat(values[2 * i]);
        buffer.AppendFloat(values[2 * i + 1]);
        buffer.Append(i % 50 == 0 ? "m\n" : "l\n");
    }
}

void ContentStreamThroughBuffer(benchmark::State& state)
{
    const auto values = Coordinates();
    std::size_t bytes = 0;
    for (auto _ : state) {
        TPdfDeviceWorkBuffer buffer(2000);
        WritePath(buffer, values);
        bytes = buffer.Length();
        benchmark::DoNotOptimize(buffer.Buffer());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["operators/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * Operators, benchmark::Counter::kIsRate);
}
BENCHMARK(ContentStreamThroughBuffer)->Unit(benchmark::kMillisecond);

void ContentStreamWithFlate(benchmark::State& state)
{
    const auto values = Coordinates();
    std::size_t bytes = 0;
    for (auto _ : state) {
        TPdfDeviceWorkBuffer buffer(2000);
        WritePath(buffer, values);
        const auto packed = ZCompress(buffer.Buffer(), buffer.Length(), 6);
        bytes = buffer.Length();
        benchmark::DoNotOptimize(packed.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["operators/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * Operators, benchmark::Counter::kIsRate);
}
BENCHMARK(ContentStreamWithFlate)->Unit(benchmark::kMillisecond);

void FormatOurs(benchmark::State& state)
{
    const auto values = Coordinates();
    char out[64];
    for (auto _ : state)
        for (double value : values)
            benchmark::DoNotOptimize(PdfFormatFloat(out, value));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * values.size()));
}
BENCHMARK(FormatOurs)->Unit(benchmark::kMillisecond);

void FormatSnprintf(benchmark::State& state)
{
    const auto values = Coordinates();
    char out[64];
    for (auto _ : state)
        for (double value : values)
            benchmark::DoNotOptimize(std::snprintf(out, sizeof out, "%.3f", value));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * values.size()));
}
BENCHMARK(FormatSnprintf)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
