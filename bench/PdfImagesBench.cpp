// A 4000 x 3000 display written as a PDF image stream: raw, against a plain copy of the same bytes
// into memory, and as JPEG at quality 75, against calling libjpeg-turbo directly on the same rows.
#include "BenchSupport.h"
#include "pdf/PdfDevice.h"
#include "platform/core/Streams.h"

#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr int DisplayWidth = 4000;
constexpr int DisplayHeight = 3000;
constexpr int Quality = 75;

const TBitmap& Display()
{
    static const auto display = [] {
        auto bitmap = std::make_unique<TBitmap>();
        Paint24(*bitmap, DisplayWidth, DisplayHeight, [](int x, int y) {
            return std::array<std::uint8_t, 3>{static_cast<std::uint8_t>(x / 16), static_cast<std::uint8_t>(y / 12),
                                               static_cast<std::uint8_t>((x + y) % 256)};
        });
        return bitmap;
    }();
    return *display;
}

// One page holding the display, the whole document written to memory.
void WriteDocument(benchmark::State& state, bool jpeg)
{
    const TBitmap& display = Display();
    for (auto _ : state) {
        TPdfDevice device;
        device.JPEGCompression = jpeg;
        device.JPEGQuality = Quality;
        device.BeginDoc(DisplayWidth, DisplayHeight, 72);
        device.StartPage(DisplayWidth, DisplayHeight, 72, 72, 0);
        device.DrawXObject(device.AddXBitmap(display), 0, 0, DisplayWidth, DisplayHeight);
        device.EndPage();
        device.EndDoc();
        state.counters["bytes"] = static_cast<double>(device.GetSize());
    }
}

void BM_RawImageStream(benchmark::State& state) { WriteDocument(state, false); }
void BM_JpegImageStream(benchmark::State& state) { WriteDocument(state, true); }

// The floor of the raw path: the display's bytes copied once into a memory stream.
void BM_PlainCopy(benchmark::State& state)
{
    const TBitmap& display = Display();
    for (auto _ : state) {
        TMemoryStream memory;
        for (int y = 0; y < DisplayHeight; ++y)
            memory.WriteBuffer(display.ScanLine(y), DisplayWidth * 3);
        benchmark::DoNotOptimize(memory.Memory());
    }
}

// The floor of the JPEG path: libjpeg-turbo on the same rows into its memory destination.
void BM_LibjpegDirect(benchmark::State& state)
{
    const TBitmap& display = Display();
    for (auto _ : state) {
        jpeg_compress_struct info{};
        jpeg_error_mgr error{};
        info.err = jpeg_std_error(&error);
        jpeg_create_compress(&info);
        unsigned char* buffer = nullptr;
        unsigned long size = 0;
        jpeg_mem_dest(&info, &buffer, &size);
        info.image_width = DisplayWidth;
        info.image_height = DisplayHeight;
        info.input_components = 3;
        info.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, Quality, TRUE);
        jpeg_start_compress(&info, TRUE);
        for (int y = 0; y < DisplayHeight; ++y) {
            auto* row = const_cast<JSAMPLE*>(display.ScanLine(y));
            jpeg_write_scanlines(&info, &row, 1);
        }
        jpeg_finish_compress(&info);
        jpeg_destroy_compress(&info);
        state.counters["bytes"] = static_cast<double>(size);
        std::free(buffer);
    }
}

} // namespace

BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawImageStream)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibjpegDirect)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegImageStream)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
