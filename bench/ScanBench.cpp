// A 600 dpi A4 colour scan (4960 x 7016) from a scripted scanner in 32 KiB reads, gathered into the
// picture the scanning component delivers, against copying the same bytes row by row into a QImage.
#include "catalog/ScanImage.h"
#include "platform/graphics/Bitmap.h"
#include "testing/FakeScanner.h"

#include <QImage>

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

constexpr int Width = 4960;
constexpr int Height = 7016;
constexpr int Chunk = 32 * 1024;

FakeScanner::Frame A4Colour()
{
    FakeScanner::Frame frame;
    frame.parameters = {ScanFrame::Rgb, true, Width * 3, Width, Height, 8};
    frame.data.resize(static_cast<size_t>(Width) * 3 * Height);
    for (size_t i = 0; i < frame.data.size(); ++i)
        frame.data[i] = static_cast<std::uint8_t>(i * 7);
    return frame;
}

void ScannedPicture(benchmark::State& state)
{
    FakeScanner scanner;
    const FakeScanner::Frame frame = A4Colour();
    std::vector<std::uint8_t> buffer(Chunk);
    for (auto _ : state) {
        scanner.frames.push_back(frame);
        ScannerBackend::Handle device = nullptr;
        scanner.Open("test:0", device);
        scanner.Start(device);
        ScanParameters parameters;
        scanner.Parameters(device, parameters);
        ScanImage image;
        image.BeginFrame(parameters);
        int length = 0;
        while (scanner.Read(device, buffer.data(), Chunk, length) == ScanStatus::Good)
            image.Append(buffer.data(), length);
        image.EndFrame();
        benchmark::DoNotOptimize(image.Bitmap());
    }
}
BENCHMARK(ScannedPicture)->Unit(benchmark::kMillisecond);

void RowsIntoQImage(benchmark::State& state)
{
    const FakeScanner::Frame frame = A4Colour();
    for (auto _ : state) {
        QImage image(Width, Height, QImage::Format_RGB888);
        for (int y = 0; y < Height; ++y)
            std::memcpy(image.scanLine(y), frame.data.data() + static_cast<size_t>(y) * Width * 3, Width * 3);
        benchmark::DoNotOptimize(image.bits());
    }
}
BENCHMARK(RowsIntoQImage)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
