// Decoding a 4000x3000 RGB PNG, plain and interlaced, into TPNGGraphic, against libpng's simplified
// reading into BGR and Qt's PNG reader, all in this process. libpng is for this benchmark only:
//     apt-get install libpng-dev
#include "imageformats/PNGGraphic.h"
#include "platform/core/Streams.h"

#include "BenchSupport.h"

#include <QImage>
#include <png.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int Width = 4000;
constexpr int Height = 3000;

// A rendered planogram: flat shelves and backgrounds with product pictures of fine detail, written
// as a PPM for the outside PNG writer.
std::string SourcePpm()
{
    const std::string file = BenchFolder() + "/source.ppm";
    TFileStream stream(file, fmCreate);
    const std::string header = "P6\n" + std::to_string(Width) + " " + std::to_string(Height) + "\n255\n";
    stream.WriteBuffer(header.data(), static_cast<std::int64_t>(header.size()));
    std::vector<std::uint8_t> row(3 * Width);
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            const bool product = (x / 250) % 2 == 0 && (y % 500) < 420;
            row[3 * x] = static_cast<std::uint8_t>(product ? y & 0xFF : (y % 500 < 420 ? 160 : 90));
            row[3 * x + 1] = static_cast<std::uint8_t>(product ? (x ^ y) & 0xFF : 180);
            row[3 * x + 2] = static_cast<std::uint8_t>(product ? (x * 7 + y * 3) & 0xFF : 200);
        }
        stream.WriteBuffer(row.data(), static_cast<std::int64_t>(row.size()));
    }
    return file;
}

std::string WrittenFile(const std::string& name, const std::string& options)
{
    static const std::string source = SourcePpm();
    const std::string file = BenchFolder() + "/" + name;
    if (std::system(("/usr/bin/pnmtopng " + options + " " + source + " > " + file).c_str()) != 0)
        std::abort();
    return file;
}

const std::string& PlainFile()
{
    static const std::string file = WrittenFile("plain.png", "");
    return file;
}

const std::string& InterlacedFile()
{
    static const std::string file = WrittenFile("interlaced.png", "-interlace");
    return file;
}

void Ours(benchmark::State& state, const std::string& file)
{
    for (auto _ : state) {
        TPNGGraphic png;
        png.LoadFromFile(file);
        benchmark::DoNotOptimize(png.ScanLine(0));
    }
}

void Libpng(benchmark::State& state, const std::string& file)
{
    std::vector<png_byte> pixels(std::size_t{3} * Width * Height);
    for (auto _ : state) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_file(&image, file.c_str()))
            state.SkipWithError("libpng did not read the file");
        image.format = PNG_FORMAT_BGR;
        if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
            state.SkipWithError("libpng did not decode the file");
        benchmark::DoNotOptimize(pixels.data());
    }
}

void Qt(benchmark::State& state, const std::string& file)
{
    for (auto _ : state) {
        QImage image(QString::fromStdString(file), "PNG");
        if (image.width() != Width)
            state.SkipWithError("Qt's PNG reader did not read the file");
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_TPNGGraphicPlain(benchmark::State& state) { Ours(state, PlainFile()); }
void BM_LibpngPlain(benchmark::State& state) { Libpng(state, PlainFile()); }
void BM_QImagePlain(benchmark::State& state) { Qt(state, PlainFile()); }
void BM_TPNGGraphicInterlaced(benchmark::State& state) { Ours(state, InterlacedFile()); }
void BM_LibpngInterlaced(benchmark::State& state) { Libpng(state, InterlacedFile()); }
void BM_QImageInterlaced(benchmark::State& state) { Qt(state, InterlacedFile()); }

} // namespace

BENCHMARK(BM_TPNGGraphicPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibpngPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QImagePlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TPNGGraphicInterlaced)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibpngInterlaced)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QImageInterlaced)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
