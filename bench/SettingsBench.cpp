// Reading a settings file of 1,000 and 10,000 keys, each with three values: the time must grow
// about linearly with the file.
#include "platform/settings/SettingsFile.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::string SettingsText(int sections)
{
    std::string text;
    for (int i = 0; i < sections; ++i)
        text += "[Section " + std::to_string(i) + "]\r\nName=" + std::to_string(i) + "\r\nOther=x\r\nLast=y\r\n";
    return text;
}

void BM_ParseSettings(benchmark::State& state)
{
    const std::string text = SettingsText(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const SettingsFile file = SettingsFile::Parse(text);
        benchmark::DoNotOptimize(&file);
    }
    state.SetComplexityN(state.range(0));
}

} // namespace

BENCHMARK(BM_ParseSettings)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();

BENCHMARK_MAIN();
