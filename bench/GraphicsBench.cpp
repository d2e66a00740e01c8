// Decoding a 4000x3000 JPEG and BMP into TBitmap, against QImage loading the same files.
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"

#include "BenchSupport.h"

#include <QImage>

#include <string>

namespace {

constexpr int Width = 4000;
constexpr int Height = 3000;

// A photo-like picture: smooth gradients with some detail, so that the JPEG is of a usual size.
const TBitmap& Source()
{
    static TBitmap bitmap;
    if (bitmap.Empty())
        Paint24(bitmap, Width, Height, [](int x, int y) {
            return std::array<std::uint8_t, 3>{static_cast<std::uint8_t>(x * 255 / Width),
                                               static_cast<std::uint8_t>(y * 255 / Height),
                                               static_cast<std::uint8_t>((x ^ y) & 0x3F)};
        });
    return bitmap;
}

std::string BmpFile()
{
    static const std::string path = [] {
        const std::string file = BenchFolder() + "/big.bmp";
        Source().SaveToFile(file);
        return file;
    }();
    return path;
}

std::string JpegFile()
{
    static const std::string path = [] {
        const std::string file = BenchFolder() + "/big.jpg";
        TJPEGImage jpeg;
        jpeg.Assign(Source());
        jpeg.SaveToFile(file);
        return file;
    }();
    return path;
}

void BM_TBitmapFromJpeg(benchmark::State& state)
{
    for (auto _ : state) {
        TJPEGImage jpeg;
        jpeg.LoadFromFile(JpegFile());
        TBitmap bitmap;
        bitmap.Assign(jpeg);
        benchmark::DoNotOptimize(bitmap.ScanLine(0));
    }
}

void BM_QImageFromJpeg(benchmark::State& state)
{
    for (auto _ : state) {
        QImage image(QString::fromStdString(JpegFile()));
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_TBitmapFromBmp(benchmark::State& state)
{
    for (auto _ : state) {
        TBitmap bitmap;
        bitmap.LoadFromFile(BmpFile());
        benchmark::DoNotOptimize(bitmap.ScanLine(0));
    }
}

void BM_QImageFromBmp(benchmark::State& state)
{
    for (auto _ : state) {
        QImage image(QString::fromStdString(BmpFile()));
        benchmark::DoNotOptimize(image.constBits());
    }
}

BENCHMARK(BM_TBitmapFromJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QImageFromJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TBitmapFromBmp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QImageFromBmp)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
