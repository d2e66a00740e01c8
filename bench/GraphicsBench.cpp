// Decoding a 4000x3000 JPEG and BMP into TBitmap, against QImage loading the same files.
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"

#include <QGuiApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

constexpr int Width = 4000;
constexpr int Height = 3000;

std::string Folder()
{
    static const std::string folder = [] {
        char pattern[] = "/tmp/kestrame-bench-XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    return folder;
}

// A photo-like picture: smooth gradients with some detail, so that the JPEG is of a usual size.
const TBitmap& Source()
{
    static TBitmap bitmap;
    if (bitmap.Empty()) {
        bitmap.SetPixelFormat(pf24bit);
        bitmap.SetSize(Width, Height);
        for (int y = 0; y < Height; ++y) {
            std::uint8_t* row = bitmap.ScanLine(y);
            for (int x = 0; x < Width; ++x) {
                row[3 * x] = static_cast<std::uint8_t>(x * 255 / Width);
                row[3 * x + 1] = static_cast<std::uint8_t>(y * 255 / Height);
                row[3 * x + 2] = static_cast<std::uint8_t>((x ^ y) & 0x3F);
            }
        }
    }
    return bitmap;
}

std::string BmpFile()
{
    static const std::string path = [] {
        const std::string file = Folder() + "/big.bmp";
        Source().SaveToFile(file);
        return file;
    }();
    return path;
}

std::string JpegFile()
{
    static const std::string path = [] {
        const std::string file = Folder() + "/big.jpg";
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

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::remove(BmpFile().c_str());
    std::remove(JpegFile().c_str());
    rmdir(Folder().c_str());
    return 0;
}
