// Decoding a 4000x3000 24-bit Targa into TTargaGraphic: an uncompressed file with a TGA 2.0 footer
// against Qt's TGA reader (which reads only such files), and a run-length one against ImageMagick's
// library, all in this process. The outside readers are for this benchmark only:
//     apt-get install qt6-image-formats-plugins libmagick++-6.q16-dev
#include "imageformats/TargaGraphic.h"
#include "platform/core/Streams.h"

#include "BenchSupport.h"

#include <Magick++.h>
#include <QImage>

#include <string>

namespace {

constexpr int Width = 4000;
constexpr int Height = 3000;

// A rendered planogram: flat shelves and backgrounds with product pictures of fine detail, so that
// the run-length file holds both long runs and literal stretches.
const TTargaGraphic& Source()
{
    static TTargaGraphic picture;
    if (picture.Empty())
        Paint24(picture, Width, Height, [](int x, int y) {
            const bool product = (x / 250) % 2 == 0 && (y % 500) < 420;
            return std::array<std::uint8_t, 3>{
                static_cast<std::uint8_t>(product ? (x * 7 + y * 3) & 0xFF : 200),
                static_cast<std::uint8_t>(product ? (x ^ y) & 0xFF : 180),
                static_cast<std::uint8_t>(product ? y & 0xFF : (y % 500 < 420 ? 160 : 90))};
        });
    return picture;
}

std::string SavedFile(const std::string& name, bool compressed)
{
    const std::string file = BenchFolder() + "/" + name;
    TFileStream stream(file, fmCreate);
    Source().SaveToStream(stream, compressed);
    if (!compressed) {
        // No extension or developer area, then the TGA 2.0 signature.
        const char footer[26] = "\0\0\0\0\0\0\0\0TRUEVISION-XFILE.";
        stream.WriteBuffer(footer, sizeof footer);
    }
    return file;
}

const std::string& PlainFile()
{
    static const std::string file = SavedFile("plain.tga", false);
    return file;
}

const std::string& PackedFile()
{
    static const std::string file = SavedFile("packed.tga", true);
    return file;
}

void BM_TTargaGraphicPlain(benchmark::State& state)
{
    for (auto _ : state) {
        TTargaGraphic targa;
        targa.LoadFromFile(PlainFile());
        benchmark::DoNotOptimize(targa.ScanLine(0));
    }
}

void BM_QImagePlain(benchmark::State& state)
{
    for (auto _ : state) {
        QImage image(QString::fromStdString(PlainFile()), "TGA");
        if (image.width() != Width)
            state.SkipWithError("Qt's TGA reader did not read the file");
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_TTargaGraphicPacked(benchmark::State& state)
{
    for (auto _ : state) {
        TTargaGraphic targa;
        targa.LoadFromFile(PackedFile());
        benchmark::DoNotOptimize(targa.ScanLine(0));
    }
}

void BM_MagickPacked(benchmark::State& state)
{
    for (auto _ : state) {
        Magick::Image image;
        image.read(PackedFile());
        const Magick::PixelPacket* pixels = image.getConstPixels(0, 0, Width, Height);
        benchmark::DoNotOptimize(pixels);
    }
}

} // namespace

BENCHMARK(BM_TTargaGraphicPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QImagePlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TTargaGraphicPacked)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MagickPacked)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    Magick::InitializeMagick(*argv);
    return RunGuiBenchmarks(argc, argv);
}
